#include "Widgets/ColorScheme.h"
#include "Widgets/Icons.h"

#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QPainter>
#include <QStandardItemModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

class TestIcons : public QObject
{
    Q_OBJECT
private slots:
    void loadsEveryFileBesideTheProgram();
    void emptySetWithoutImagesFolder();
    void arrowsAreTheLeftArrowTurnedClockwise_data();
    void arrowsAreTheLeftArrowTurnedClockwise();
    void colorSchemeAndTableStyle();
};

void TestIcons::loadsEveryFileBesideTheProgram()
{
    Icons icons;
    QCOMPARE(Icons::instance, &icons);
    QCOMPARE(icons.iconSize, QSize(25, 25));
    for (int slot = 0; slot < Icons::SlotCount; ++slot) {
        const QString name = Icons::fileName(slot);
        if (!name.isEmpty()) {
            QVERIFY2(QFile::exists(QCoreApplication::applicationDirPath() + "/Images/" + name + ".png"),
                     qPrintable(name));
        }
        QVERIFY2(!icons.icon(slot).isNull(), qPrintable(QString::number(slot)));
        QVERIFY(!icons.icon(slot).pixmap(icons.iconSize).isNull());
    }
    QVERIFY(icons.icon(-1).isNull());
    QVERIFY(icons.icon(Icons::SlotCount).isNull());
}

void TestIcons::emptySetWithoutImagesFolder()
{
    QTemporaryDir empty;
    Icons icons;
    icons.loadIconsFrom(empty.path() + "/Images/");
    QCOMPARE(icons.iconSize, QSize(25, 25));
    for (int slot = 0; slot < Icons::SlotCount; ++slot)
        QVERIFY2(icons.icons[slot].isNull(), qPrintable(QString::number(slot)));
}

// A fixture whose only dark pixel sits in the left-middle, where the arrow's tip is.
void TestIcons::arrowsAreTheLeftArrowTurnedClockwise_data()
{
    QTest::addColumn<int>("slot");
    QTest::addColumn<QPoint>("tip");
    QTest::newRow("right") << int(Icons::MoveRight) << QPoint(22, 12);
    QTest::newRow("up") << int(Icons::MoveUp) << QPoint(12, 2);
    QTest::newRow("down") << int(Icons::MoveDown) << QPoint(12, 22);
}

void TestIcons::arrowsAreTheLeftArrowTurnedClockwise()
{
    QFETCH(int, slot);
    QFETCH(QPoint, tip);

    QTemporaryDir dir;
    QImage image(25, 25, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter(&image).fillRect(QRect(0, 10, 5, 5), Qt::black);
    QVERIFY(image.save(dir.path() + "/symbol_move_left.png"));

    Icons icons;
    icons.loadIconsFrom(dir.path());
    QVERIFY(!icons.icons[Icons::MoveLeft].isNull());
    QVERIFY(icons.icons[Icons::Exit].isNull());

    const QImage turned = icons.icons[slot].pixmap(QSize(25, 25)).toImage();
    QCOMPARE(turned.size(), QSize(25, 25));
    QCOMPARE(QColor(turned.pixel(tip)), QColor(Qt::black));
    QCOMPARE(QColor(turned.pixel(2, 12)), slot == Icons::MoveLeft ? QColor(Qt::black) : QColor(Qt::white));
}

void TestIcons::colorSchemeAndTableStyle()
{
    ColorScheme scheme;
    QCOMPARE(ColorScheme::instance, &scheme);
    QCOMPARE(scheme.baseColor, QColor(247, 255, 238));
    QCOMPARE(scheme.accentColor, QColor(189, 237, 255));
    QVERIFY(!scheme.windowColor.isValid());
    QCOMPARE(scheme.highlightStyle, QStringLiteral("QWidget{border: 2px solid rgb(103, 207, 255)}"));

    QTableView table;
    QStandardItemModel model(3, 2);
    table.setModel(&model);
    styleTable(&table);
    QVERIFY(table.wordWrap());
    QVERIFY(table.alternatingRowColors());
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        QCOMPARE(table.palette().color(group, QPalette::Base), QColor(Qt::white));
        QCOMPARE(table.palette().color(group, QPalette::AlternateBase), scheme.baseColor);
    }
    QCOMPARE(table.verticalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
    QCOMPARE(table.verticalHeader()->defaultSectionSize(), 40);
    styleTable(nullptr);
}

QTEST_MAIN(TestIcons)
#include "tst_icons.moc"
