#include "Parameters/EditField.h"

#include "Parameters/HEditableEnumEdit.h"
#include "Parameters/HPathEdit.h"
#include "Parameters/ParametrDouble.h"
#include "Parameters/ParametrEditableEnum.h"
#include "Parameters/ParametrEnum.h"
#include "Parameters/ParametrInt.h"
#include "Parameters/ParametrPath.h"
#include "Parameters/ParametrString.h"
#include "Parameters/Units.h"
#include "Widgets/EditorWheel.h"
#include "Widgets/HDoubleSpinBox.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QSpinBox>
#include <QTextCursor>
#include <QTextEdit>

namespace {
// Kept apart from every type code.
constexpr int KindMultiLine = 0x100 | HAbstractParametr::TypeString;
}

EditField::EditField(HAbstractParametr *parametr, QWidget *parent) : QWidget(parent)
{
    m_layout = new QHBoxLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
    // The write-back is the first receiver of changed(), whatever connects later.
    connect(this, &EditField::changed, this, &EditField::onEdit, Qt::UniqueConnection);
    setParametr(parametr);
}

int EditField::editorKindFor(const HAbstractParametr *parametr)
{
    switch (parametr->type()) {
    case HAbstractParametr::TypeEnum:
    case HAbstractParametr::TypeDouble:
    case HAbstractParametr::TypeInt:
    case HAbstractParametr::TypePath:
    case HAbstractParametr::TypeEditableEnum:
        return parametr->type();
    case HAbstractParametr::TypeString:
        return parametr->testFlag(HAbstractParametr::AltEditor) ? KindMultiLine : HAbstractParametr::TypeString;
    default:
        return -1;
    }
}

QWidget *EditField::createEditor(int kind)
{
    switch (kind) {
    case HAbstractParametr::TypeEnum: {
        auto *box = new QComboBox(this);
        takeWheelOnlyWithFocus(box);
        return box;
    }
    case HAbstractParametr::TypeString:
        return new QLineEdit(this);
    case KindMultiLine: {
        auto *edit = new QTextEdit(this);
        edit->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        edit->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Maximum);
        // Tab goes on to the next field: a remark never needs a tab character.
        edit->setTabChangesFocus(true);
        return edit;
    }
    case HAbstractParametr::TypeDouble:
        return new HDoubleSpinBox(this);
    case HAbstractParametr::TypeInt: {
        auto *box = new QSpinBox(this);
        box->setLocale(numberLocale());
        takeWheelOnlyWithFocus(box);
        return box;
    }
    case HAbstractParametr::TypePath:
        return new HPathEdit(this);
    case HAbstractParametr::TypeEditableEnum: {
        auto *box = new HEditableEnumEdit(this);
        takeWheelOnlyWithFocus(box);
        return box;
    }
    default:
        return nullptr;
    }
}

void EditField::connectEditor(bool on)
{
    QObject *source = m_editor;
    const char *signal = nullptr;
    switch (m_editorKind) {
    case HAbstractParametr::TypeEnum:
        signal = SIGNAL(currentIndexChanged(int));
        break;
    case HAbstractParametr::TypeString:
        signal = SIGNAL(textChanged(QString));
        break;
    case KindMultiLine:
        signal = SIGNAL(textChanged());
        break;
    case HAbstractParametr::TypeDouble:
        signal = SIGNAL(valueChanged(double));
        break;
    case HAbstractParametr::TypeInt:
        signal = SIGNAL(valueChanged(int));
        break;
    case HAbstractParametr::TypePath:
        source = static_cast<HPathEdit *>(m_editor)->lineEdit();
        signal = SIGNAL(textChanged(QString));
        break;
    case HAbstractParametr::TypeEditableEnum:
        signal = SIGNAL(onFocusLostEvent());
        break;
    default:
        return;
    }
    if (on)
        connect(source, signal, this, SIGNAL(changed()), Qt::UniqueConnection);
    else
        disconnect(source, signal, this, SIGNAL(changed()));
}

void EditField::setParametr(HAbstractParametr *parametr)
{
    if (!parametr)
        return;
    setToolTip(parametr->description());

    const int kind = editorKindFor(parametr);
    if (m_editor && m_editorKind != kind) {
        connectEditor(false);
        m_layout->removeWidget(m_editor);
        m_editor->hide();
        m_editor->deleteLater();
        m_editor = nullptr;
        m_editorKind = -1;
    }
    m_parametr = parametr;

    if (!m_editor) {
        m_editor = createEditor(kind);
        if (!m_editor)
            return;
        m_editorKind = kind;
        m_layout->addWidget(m_editor);
    }

    connectEditor(false);
    fill();
    connectEditor(true);
    connect(this, &EditField::changed, this, &EditField::onEdit, Qt::UniqueConnection);
}

void EditField::fill()
{
    switch (m_editorKind) {
    case HAbstractParametr::TypeEnum: {
        auto *p = static_cast<ParametrEnum *>(m_parametr);
        auto *box = static_cast<QComboBox *>(m_editor);
        box->clear();
        for (const EnumItem &item : p->items())
            box->addItem(item.text, item.id);
        box->setCurrentIndex(p->currentIndex());
        break;
    }
    case HAbstractParametr::TypeString: {
        auto *p = static_cast<ParametrString *>(m_parametr);
        auto *edit = static_cast<QLineEdit *>(m_editor);
        // The limit is for what the operator types: a longer text the program puts here (a
        // transducer's range in mmHg) shows whole. Set first, since it cuts the text it holds.
        edit->setMaxLength(qMax(p->maxLength(), p->value().size()));
        edit->setText(p->value());
        break;
    }
    case KindMultiLine:
        static_cast<QTextEdit *>(m_editor)->setPlainText(static_cast<ParametrString *>(m_parametr)->value());
        break;
    case HAbstractParametr::TypeDouble: {
        auto *p = static_cast<ParametrDouble *>(m_parametr);
        auto *box = static_cast<HDoubleSpinBox *>(m_editor);
        box->setMaximum(p->max());
        box->setMinimum(p->min());
        box->setDecimals(p->decimals());
        // A value that cannot be computed shows "-", as everywhere else.
        box->showNumber(p->value());
        break;
    }
    case HAbstractParametr::TypeInt: {
        auto *p = static_cast<ParametrInt *>(m_parametr);
        auto *box = static_cast<QSpinBox *>(m_editor);
        box->setMaximum(p->max());
        box->setMinimum(p->min());
        box->setValue(p->value());
        break;
    }
    case HAbstractParametr::TypePath: {
        auto *p = static_cast<ParametrPath *>(m_parametr);
        auto *edit = static_cast<HPathEdit *>(m_editor);
        edit->setParametr(p);
        edit->lineEdit()->setText(p->value());
        break;
    }
    case HAbstractParametr::TypeEditableEnum: {
        auto *p = static_cast<ParametrEditableEnum *>(m_parametr);
        auto *box = static_cast<HEditableEnumEdit *>(m_editor);
        box->clear();
        for (const EnumItem &item : p->items())
            box->addItem(item.text, item.id);
        box->setCurrentText(p->valueText());
        break;
    }
    default:
        break;
    }
}

void EditField::refresh()
{
    setParametr(m_parametr);
}

void EditField::setEditorPalette(const QPalette &palette)
{
    if (m_editor)
        m_editor->setPalette(palette);
}

void EditField::onEdit()
{
    if (!m_editor || !m_parametr)
        return;
    switch (m_editorKind) {
    case HAbstractParametr::TypeEnum: {
        auto *box = static_cast<QComboBox *>(m_editor);
        // An emptied box has no entry to take an id from.
        if (box->currentIndex() >= 0)
            static_cast<ParametrEnum *>(m_parametr)->setValue(box->currentData(Qt::UserRole).toInt());
        break;
    }
    case HAbstractParametr::TypeString: {
        auto *p = static_cast<ParametrString *>(m_parametr);
        auto *edit = static_cast<QLineEdit *>(m_editor);
        p->setValue(edit->text());
        // Such a longer text may only get shorter, down to the limit, never longer again.
        const int limit = qMax(p->maxLength(), edit->text().size());
        if (limit < edit->maxLength()) {
            const int cursor = edit->cursorPosition();
            edit->setMaxLength(limit);
            edit->setCursorPosition(cursor);
        }
        break;
    }
    case KindMultiLine: {
        auto *p = static_cast<ParametrString *>(m_parametr);
        auto *edit = static_cast<QTextEdit *>(m_editor);
        const QString text = edit->toPlainText();
        const int maxLength = p->maxLength();
        if (maxLength >= 0 && text.size() > maxLength) {
            const QString cut = text.left(maxLength);
            p->setValue(cut);
            // Puts the cut text back, which reports the change once more.
            edit->setPlainText(cut);
            edit->moveCursor(QTextCursor::End);
        } else {
            p->setValue(text);
        }
        break;
    }
    case HAbstractParametr::TypeDouble:
        static_cast<ParametrDouble *>(m_parametr)->setValue(static_cast<HDoubleSpinBox *>(m_editor)->number());
        break;
    case HAbstractParametr::TypeInt:
        static_cast<ParametrInt *>(m_parametr)->setValue(static_cast<QSpinBox *>(m_editor)->value());
        break;
    case HAbstractParametr::TypePath:
        static_cast<ParametrPath *>(m_parametr)->setValue(static_cast<HPathEdit *>(m_editor)->lineEdit()->text());
        break;
    case HAbstractParametr::TypeEditableEnum:
        static_cast<ParametrEditableEnum *>(m_parametr)->setText(static_cast<HEditableEnumEdit *>(m_editor)->currentText());
        break;
    default:
        break;
    }
}
