// The operator's help pages in help/: every topic of the help launcher has its page and
// index.html leads to all of them; every link and picture resolves inside help/ and needs no
// network; the captions and messages the pages quote are the program's own texts; the templates
// page names every placeholder the protocol writer knows. Each page is also rendered with Qt's
// rich text into <build>/screenshots/help-<page>.png, to be looked at.
#include "Interface/Assistant.h"
#include "Screenshot.h"
#include "TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QMetaEnum>
#include <QPainter>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCodec>
#include <QTextDocument>
#include <QtTest>

namespace {

// The widest picture a page may hold, in pixels.
constexpr int MaxPictureWidth = 1000;

QString decodeEntities(QString text)
{
    text.replace(QStringLiteral("&nbsp;"), QString(QChar(0x00A0)));
    text.replace(QStringLiteral("&lt;"), QStringLiteral("<"));
    text.replace(QStringLiteral("&gt;"), QStringLiteral(">"));
    text.replace(QStringLiteral("&quot;"), QStringLiteral("\""));
    text.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    return text;
}

// The text of a piece of markup, as a reader sees it: tags dropped, entities decoded, white
// space (line breaks and no-break spaces too) as single blanks.
QString plainText(const QString &markup)
{
    QString text = markup;
    text.remove(QRegularExpression(QStringLiteral("<[^>]*>")));
    return decodeEntities(text).simplified();
}

// The string literals of C++ sources, adjacent ones joined as the compiler joins them, with
// "\n" read as a blank (a caption's line break is a blank in running text).
QStringList stringLiterals(const QString &source)
{
    QStringList literals;
    QString current;
    bool joining = false;
    const int n = source.size();
    for (int i = 0; i < n;) {
        const QChar c = source.at(i);
        if (c == QLatin1Char('/') && i + 1 < n && source.at(i + 1) == QLatin1Char('/')) {
            while (i < n && source.at(i) != QLatin1Char('\n'))
                ++i;
            continue;
        }
        if (c == QLatin1Char('/') && i + 1 < n && source.at(i + 1) == QLatin1Char('*')) {
            const int end = source.indexOf(QStringLiteral("*/"), i + 2);
            i = end < 0 ? n : end + 2;
            continue;
        }
        if (c == QLatin1Char('\'')) {
            for (++i; i < n && source.at(i) != QLatin1Char('\''); ++i) {
                if (source.at(i) == QLatin1Char('\\'))
                    ++i;
            }
            ++i;
        } else if (c == QLatin1Char('"')) {
            if (!joining)
                current.clear();
            for (++i; i < n && source.at(i) != QLatin1Char('"'); ++i) {
                QChar x = source.at(i);
                if (x == QLatin1Char('\\') && i + 1 < n) {
                    x = source.at(++i);
                    if (x == QLatin1Char('n') || x == QLatin1Char('t'))
                        x = QLatin1Char(' ');
                }
                current += x;
            }
            ++i;
            joining = true;
            continue;
        } else if (c.isSpace()) {
            ++i;
            continue;
        } else {
            ++i;
        }
        if (joining) {
            literals << current.simplified();
            joining = false;
        }
    }
    if (joining)
        literals << current.simplified();
    return literals;
}

QString readUtf8(const QString &path, bool *valid = nullptr)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (valid)
            *valid = false;
        return QString();
    }
    const QByteArray data = file.readAll();
    QTextCodec::ConverterState state;
    const QString text = QTextCodec::codecForName("UTF-8")->toUnicode(data.constData(), data.size(), &state);
    if (valid)
        *valid = state.invalidChars == 0;
    return text;
}

}

class TestHelpPages : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void everyTopicHasItsPage_data();
    void everyTopicHasItsPage();
    void pages_data();
    void pages();
    void everyPictureIsShown();
    void templatesPageNamesEveryPlaceholder();
    void render_data();
    void render();

private:
    // Where a link of a page leads: the file inside help/ (empty when it leaves the folder or
    // names no file) and the anchor after "#".
    QString linkTarget(const QString &page, const QString &link, QString *anchor) const;
    bool quotesProgramText(const QString &text) const;

    QString m_help;
    QStringList m_pages;               // file names of the pages
    QStringList m_texts;               // the program's literal texts, exact
    QList<QRegularExpression> m_forms; // those with %1 … %9, a number or word in their place
};

void TestHelpPages::initTestCase()
{
    QVERIFY2(!TestSupport::sourceDir().isEmpty(), "MANOVERA_SOURCE_DIR is not set");
    m_help = QDir(TestSupport::sourceDir() + QStringLiteral("/help")).canonicalPath();
    QVERIFY(!m_help.isEmpty());
    m_pages = QDir(m_help).entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name);
    QVERIFY(m_pages.contains(QStringLiteral("index.html")));

    for (const char *folder : {"Interface", "Documents", "Parameters", "Devices", "Verification", "Widgets"}) {
        QDir dir(TestSupport::sourceDir() + QLatin1Char('/') + QLatin1String(folder));
        QVERIFY(dir.exists());
        QStringList files;
        for (const QFileInfo &entry : dir.entryInfoList({QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files))
            files << entry.filePath();
        for (const QFileInfo &entry : QDir(dir.filePath(QStringLiteral("Tab"))).entryInfoList(
                 {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files))
            files << entry.filePath();
        for (const QString &file : qAsConst(files)) {
            const QStringList literals = stringLiterals(readUtf8(file));
            for (const QString &literal : literals) {
                if (literal.isEmpty())
                    continue;
                static const QRegularExpression argument(QStringLiteral("%[1-9]"));
                if (!literal.contains(argument)) {
                    m_texts << literal;
                    continue;
                }
                QStringList parts;
                for (const QString &part : literal.split(argument))
                    parts << QRegularExpression::escape(part);
                m_forms << QRegularExpression(QRegularExpression::anchoredPattern(parts.join(QStringLiteral(".+"))));
            }
        }
    }
    QVERIFY(m_texts.contains(QStringLiteral("Установка связи с ЦРЗ")));
    QVERIFY(m_texts.contains(QStringLiteral("Перейти к следующей точке")));
}

void TestHelpPages::everyTopicHasItsPage_data()
{
    QTest::addColumn<int>("topic");
    const QMetaEnum topics = QMetaEnum::fromType<Assistant::enumTopic>();
    for (int i = 0; i < topics.keyCount(); ++i)
        QTest::newRow(topics.key(i)) << topics.value(i);
}

void TestHelpPages::everyTopicHasItsPage()
{
    QFETCH(int, topic);
    // The start page stands for the topic without a page of its own.
    const QString page = topic == Assistant::topic_main ? QStringLiteral("index.html") : Assistant::pageName(topic);
    QVERIFY2(QFileInfo(m_help + QLatin1Char('/') + page).isFile(), qPrintable(page));

    // The start page leads to it.
    const QString index = readUtf8(m_help + QStringLiteral("/index.html"));
    if (topic != Assistant::topic_main)
        QVERIFY2(index.contains(QStringLiteral("href=\"%1\"").arg(page)), qPrintable(page));
}

QString TestHelpPages::linkTarget(const QString &page, const QString &link, QString *anchor) const
{
    const int hash = link.indexOf(QLatin1Char('#'));
    *anchor = hash < 0 ? QString() : link.mid(hash + 1);
    const QString path = hash < 0 ? link : link.left(hash);
    if (path.isEmpty())
        return m_help + QLatin1Char('/') + page;
    const QString target = QFileInfo(m_help + QLatin1Char('/') + path).canonicalFilePath();
    if (target.isEmpty() || !target.startsWith(m_help + QLatin1Char('/')) || !QFileInfo(target).isFile())
        return QString();
    return target;
}

bool TestHelpPages::quotesProgramText(const QString &text) const
{
    if (m_texts.contains(text))
        return true;
    for (const QRegularExpression &form : m_forms) {
        if (form.match(text).hasMatch())
            return true;
    }
    return false;
}

void TestHelpPages::pages_data()
{
    QTest::addColumn<QString>("page");
    for (const QString &page : qAsConst(m_pages))
        QTest::newRow(qPrintable(page)) << page;
}

void TestHelpPages::pages()
{
    QFETCH(QString, page);
    bool valid = false;
    const QString html = readUtf8(m_help + QLatin1Char('/') + page, &valid);
    QVERIFY2(valid, "not UTF-8");
    QVERIFY(html.contains(QStringLiteral("<meta charset=\"utf-8\">")));
    QVERIFY(html.contains(QStringLiteral("<link rel=\"stylesheet\" href=\"help.css\">")));
    const QRegularExpressionMatch title =
        QRegularExpression(QStringLiteral("<title>([^<]+)</title>")).match(html);
    QVERIFY(title.hasMatch() && !title.captured(1).trimmed().isEmpty());
    QCOMPARE(html.count(QStringLiteral("<h1>")), 1);

    // Every link and picture resolves inside help/; nothing is fetched from elsewhere.
    static const QRegularExpression reference(QStringLiteral("\\b(href|src)=\"([^\"]*)\""));
    for (auto it = reference.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const QString link = decodeEntities(m.captured(2));
        QVERIFY2(!link.isEmpty(), qPrintable(m.captured(0)));
        QVERIFY2(!link.contains(QLatin1Char(':')) && !link.startsWith(QStringLiteral("//")),
                 qPrintable(QStringLiteral("leaves the help: ") + link));
        QString anchor;
        const QString target = linkTarget(page, link, &anchor);
        QVERIFY2(!target.isEmpty(), qPrintable(QStringLiteral("no such file: ") + link));
        if (!anchor.isEmpty()) {
            const QString targetHtml = readUtf8(target);
            QVERIFY2(targetHtml.contains(QStringLiteral("id=\"%1\"").arg(anchor))
                         || targetHtml.contains(QStringLiteral("name=\"%1\"").arg(anchor)),
                     qPrintable(QStringLiteral("no such anchor: ") + link));
        }
        if (m.captured(1) == QLatin1String("src")) {
            QImageReader picture(target);
            QCOMPARE(picture.format(), QByteArray("png"));
            QVERIFY2(picture.size().isValid() && picture.size().width() <= MaxPictureWidth, qPrintable(link));
        }
    }

    // Captions and messages are quoted as the program shows them.
    static const QRegularExpression quoted(QStringLiteral("<span class=\"(ui|msg)\">(.*?)</span>"),
                                           QRegularExpression::DotMatchesEverythingOption);
    int quotes = 0;
    for (auto it = quoted.globalMatch(html); it.hasNext(); ++quotes) {
        const QString text = plainText(it.next().captured(2));
        QVERIFY2(quotesProgramText(text), qPrintable(QStringLiteral("not the program's text: «%1»").arg(text)));
    }
    if (page != QLatin1String("verification.html"))
        QVERIFY(quotes > 0);
}

void TestHelpPages::everyPictureIsShown()
{
    QString all;
    for (const QString &page : qAsConst(m_pages))
        all += readUtf8(m_help + QLatin1Char('/') + page);
    const QStringList pictures = QDir(m_help + QStringLiteral("/images")).entryList(QDir::Files);
    for (const QString &picture : pictures)
        QVERIFY2(all.contains(QStringLiteral("src=\"images/%1\"").arg(picture)), qPrintable(picture));
}

void TestHelpPages::templatesPageNamesEveryPlaceholder()
{
    const QString page = plainText(readUtf8(m_help + QStringLiteral("/templates.html")));
    QStringList placeholders;
    for (const char *file : {"/Documents/ExcelSaver.cpp", "/Documents/ExcelSaver.h"}) {
        const QStringList literals = stringLiterals(readUtf8(TestSupport::sourceDir() + QLatin1String(file)));
        for (const QString &literal : literals) {
            // A name made for each device is looked for as the first device's.
            if (literal.startsWith(QLatin1Char('&')))
                placeholders << QString(literal).replace(QStringLiteral("%1"), QStringLiteral("1"));
        }
    }
    QVERIFY(placeholders.contains(QStringLiteral("&CD_TEMP_FULL")));
    QVERIFY(placeholders.contains(QStringLiteral("&DN_UNC_KPA_D")));
    QVERIFY(placeholders.contains(QStringLiteral("&DEV_VCR_")));
    for (const QString &placeholder : qAsConst(placeholders))
        QVERIFY2(page.contains(placeholder), qPrintable(placeholder));
}

void TestHelpPages::render_data()
{
    pages_data();
}

void TestHelpPages::render()
{
    QFETCH(QString, page);
    QTextDocument document;
    document.setDefaultStyleSheet(readUtf8(m_help + QStringLiteral("/help.css")));
    document.setBaseUrl(QUrl::fromLocalFile(m_help + QLatin1Char('/')));
    document.setHtml(readUtf8(m_help + QLatin1Char('/') + page));
    document.setTextWidth(900);
    QVERIFY(!document.toPlainText().trimmed().isEmpty());

    // Every picture is found where the page says.
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (!format.isImageFormat())
                continue;
            const QString name = format.toImageFormat().name();
            QVERIFY2(document.resource(QTextDocument::ImageResource, QUrl(name)).isValid(), qPrintable(name));
        }
    }

    const QSizeF size = document.size();
    QImage image(qCeil(size.width()), qCeil(size.height()), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    document.drawContents(&painter);
    painter.end();
    const QString name = QStringLiteral("help-") + QFileInfo(page).completeBaseName();
    qInfo("rendered: %s", qPrintable(TestSupport::saveImage(image, name)));
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    TestHelpPages test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_helppages.moc"
