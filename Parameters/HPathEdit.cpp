#include "Parameters/HPathEdit.h"

#include "Parameters/MainHandler.h"
#include "Parameters/ParametrPath.h"
#include "Widgets/HButton.h"

#include <QFileDialog>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLineEdit>

HPathEdit::HPathEdit(QWidget *parent) : QWidget(parent)
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    m_lineEdit = new QLineEdit(this);
    m_lineEdit->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    layout->addWidget(m_lineEdit);

    m_selectButton = new HButton(tr("Выбрать..."), this);
    layout->addWidget(m_selectButton);

    onFontChanged();
    if (MainHandler::instance)
        connect(MainHandler::instance, SIGNAL(fontChanged()), this, SLOT(onFontChanged()));
    connect(m_selectButton, SIGNAL(clicked(bool)), this, SLOT(onSelectButtonPressed()));
}

void HPathEdit::setParametr(ParametrPath *parametr)
{
    m_parametr = parametr;
}

void HPathEdit::onFontChanged()
{
    m_selectButton->setFixedWidth(QFontMetrics(font()).horizontalAdvance(m_selectButton->text()) + 20);
}

void HPathEdit::onSelectButtonPressed()
{
    QString chosen;
    if (m_parametr && m_parametr->testFlag(ParametrPath::AltEditor)) {
        chosen = QFileDialog::getExistingDirectory(this, tr("Выбор дериктории"), m_lineEdit->text(),
                                                   QFileDialog::ShowDirsOnly);
    } else {
        // A parameter without name filters gets a dialog without a filter.
        const QStringList filters = m_parametr ? m_parametr->nameFilters() : QStringList();
        const QString filter = filters.isEmpty() ? QString()
                                                 : QStringLiteral("(") + filters.first() + QStringLiteral(")");
        chosen = QFileDialog::getOpenFileName(this, tr("Выбор файла"), m_lineEdit->text(), filter, nullptr,
                                              QFileDialog::Options());
    }
    if (!chosen.isEmpty())
        m_lineEdit->setText(chosen);
}
