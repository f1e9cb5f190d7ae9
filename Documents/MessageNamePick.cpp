#include "Documents/MessageNamePick.h"

#include "Documents/ExcelSaver.h"
#include "Documents/ModelProtocols.h"
#include "Parameters/MessageHandler.h"
#include "Widgets/HButton.h"
#include "Widgets/HostWindow.h"
#include "Widgets/OverlayFocus.h"
#include "Widgets/Veil.h"

#include <QFileInfo>
#include <QFontMetrics>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

#include <algorithm>

namespace {
// The listing misses a document that is there all the same: one whose name differs only in case
// on a volume that ignores case (a FAT stick, a share), or one in a folder that can be written
// but not listed. The save would replace it. A folder of that name is not replaced: the save
// fails on it; and without a protocol folder nothing is written.
bool wouldReplace(const QString &folder, const QString &name)
{
    if (folder.isEmpty())
        return false;
    const QFileInfo target(ExcelSaver::protocolFileName(folder, name));
    return target.exists() && !target.isDir();
}
}

const QString &MessageNamePick::forbiddenNameCharacters()
{
    static const QString characters = QStringLiteral("~#%&*{}\\:<>?/+|\"");
    return characters;
}

MessageNamePick::MessageNamePick(const QString &caption, const QString &defaultName) : QWidget(hostWindow())
{
    makeVeil(this);
    m_nameFrame = makeVeilPanel(this);

    auto *frameGrid = new QGridLayout(m_nameFrame);
    m_caption = new QLabel(caption, m_nameFrame);
    m_caption->setWordWrap(true);
    m_nameEdit = new QLineEdit(defaultName, m_nameFrame);
    m_nameEdit->setMaxLength(MaxNameLength);
    m_saveButton = new HButton(tr(" \nСохранить\n "), m_nameFrame);
    frameGrid->addWidget(m_caption, 0, 0);
    frameGrid->addWidget(m_nameEdit, 1, 0);
    frameGrid->addWidget(m_saveButton, 2, 0);

    // Expanding fillers on both sides keep the box centred at its own size.
    auto *grid = new QGridLayout(this);
    auto *left = new QWidget(this);
    left->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    auto *right = new QWidget(this);
    right->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    grid->addWidget(left, 0, 0, 3, 1);
    grid->addWidget(m_nameFrame, 1, 1);
    m_nameFrame->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Maximum);
    grid->addWidget(right, 0, 2, 3, 1);

    connect(m_saveButton, SIGNAL(clicked(bool)), this, SLOT(onSaveButtonPressed()));
    onMainWindowsSizeChanged();
    if (QWidget *host = parentWidget()) {
        if (host->metaObject()->indexOfSignal("sizeChanged()") >= 0)
            connect(host, SIGNAL(sizeChanged()), this, SLOT(onMainWindowsSizeChanged()));
    }
}

void MessageNamePick::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // The operator types the name at once. Not before the show: the focus taken then would
    // leave the dialog no note of where it was, to give it back.
    m_nameEdit->setFocus(Qt::OtherFocusReason);
}

MessageNamePick *MessageNamePick::showNamePick(const QString &caption, const QString &defaultName, QObject *receiver,
                                               const char *slot)
{
    auto *dialog = new MessageNamePick(caption, defaultName);
    if (receiver && slot)
        connect(dialog, SIGNAL(namePick(QString)), receiver, slot);
    dialog->show();
    return dialog;
}

void MessageNamePick::onSaveButtonPressed()
{
    if (m_picked)
        return;
    const QString name = m_nameEdit->text();
    for (const QChar c : forbiddenNameCharacters()) {
        if (name.contains(c)) {
            refuse(tr("Имя документа не может содержать символ %1").arg(c));
            return;
        }
    }
    const QString folder = ModelProtocols::folder();
    if (ModelProtocols::listFolder(folder).contains(name + QStringLiteral(".xlsx"), Qt::CaseSensitive)
        || wouldReplace(folder, name)) {
        refuse(tr("Документ с таким именем уже существует!"));
        return;
    }
    // The receiver's slot may run an event loop of its own; a second press must not hand on again.
    m_picked = true;
    emit namePick(name);
    close();
}

void MessageNamePick::refuse(const QString &message)
{
    // The message returns the focus where it was when it came: to the name, as typed.
    m_nameEdit->setFocus(Qt::OtherFocusReason);
    MessageHandler::showError(message);
}

bool MessageNamePick::focusNextPrevChild(bool next)
{
    return OverlayFocus::focusNextPrevChild(window(), next) || QWidget::focusNextPrevChild(next);
}

void MessageNamePick::onMainWindowsSizeChanged()
{
    if (QWidget *host = parentWidget())
        resize(host->width(), host->height());
}

void MessageNamePick::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    const int wanted = QFontMetrics(m_nameEdit->font()).horizontalAdvance(QString(67, QLatin1Char('0')));
    // At a large font the 67 digits are wider than the window: the name field then takes what
    // the window leaves beside the box's frame and margins, and its text scrolls.
    const QMargins outer = layout()->contentsMargins();
    const QMargins inner = m_nameFrame->layout()->contentsMargins();
    const int around = outer.left() + outer.right() + inner.left() + inner.right() + 2 * m_nameFrame->frameWidth()
        + 2 * static_cast<QGridLayout *>(layout())->horizontalSpacing();
    m_nameEdit->setMinimumWidth(std::max(0, std::min(wanted, width() - around)));
}
