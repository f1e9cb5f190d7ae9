#include "Parameters/PrField.h"

#include "Parameters/EditField.h"
#include "Parameters/HAbstractParametr.h"

#include <QBoxLayout>
#include <QGridLayout>
#include <QLabel>

PrField::PrField(HAbstractParametr *parametr, QWidget *parent, int layoutKind) : QWidget(parent)
{
    buildSingle(parametr, layoutKind);
}

PrField::PrField(HAbstractParametr *parametr, int fieldIndex, QWidget *parent, int layoutKind)
    : QWidget(parent), m_fieldIndex(fieldIndex)
{
    buildSingle(parametr, layoutKind);
}

PrField::PrField(const QString &caption, QWidget *parent) : QWidget(parent), m_flags(MultiEditor)
{
    m_grid = new QGridLayout(this);
    m_grid->setContentsMargins(2, 2, 2, 2);
    m_grid->setSpacing(2);
    m_caption = new QLabel(caption, this);
    m_grid->addWidget(m_caption, 0, 0);
}

void PrField::buildSingle(HAbstractParametr *parametr, int layoutKind)
{
    m_editor = new EditField(parametr, this);
    const QString name = parametr ? parametr->name() : QString();

    QBoxLayout *box = nullptr;
    switch (layoutKind) {
    case CaptionAbove:
        box = new QVBoxLayout(this);
        m_caption = new QLabel(name, this);
        box->addWidget(m_caption);
        break;
    case CaptionLeft:
        box = new QHBoxLayout(this);
        m_caption = new QLabel(name, this);
        box->addWidget(m_caption);
        break;
    case EditorOnly:
        box = new QHBoxLayout(this);
        break;
    default:
        break;
    }
    if (box) {
        box->setContentsMargins(2, 2, 2, 2);
        box->setSpacing(2);
        box->addWidget(m_editor);
    }
    connect(m_editor, SIGNAL(changed()), this, SIGNAL(changed()));
}

void PrField::addEditor(HAbstractParametr *parametr)
{
    if (!(m_flags & MultiEditor))
        return;
    auto *field = new EditField(parametr, this);
    // The editors share the width under the caption: a number editor asks for room for the
    // widest number of its type, far more than the values it shows.
    field->setSizePolicy(QSizePolicy::Ignored, field->sizePolicy().verticalPolicy());
    m_editors.append(field);
    connect(field, SIGNAL(changed()), this, SIGNAL(changed()));
    const int column = m_grid->columnCount();
    m_grid->addWidget(field, 1, column);
    m_grid->setColumnStretch(column, 1);
    // Keeps the caption centred over all editors.
    m_grid->addWidget(m_caption, 0, 0, 1, m_grid->columnCount());
}

void PrField::refreshEditors()
{
    if (m_editor)
        m_editor->refresh();
    for (EditField *field : qAsConst(m_editors))
        field->refresh();
}

void PrField::appendCaptionText(const QString &text)
{
    if (!m_caption)
        return;
    // Cutting at the last ", " would eat part of a suffix that holds ", " itself,
    // so the caption without suffix is kept.
    if (!(m_flags & HasSuffix)) {
        m_flags |= HasSuffix;
        m_baseCaption = m_caption->text();
    }
    m_caption->setText(m_baseCaption + QStringLiteral(", ") + text);
}

void PrField::appendCaptionParametr(const HAbstractParametr *parametr)
{
    if (parametr)
        appendCaptionText(parametr->valueText());
}
