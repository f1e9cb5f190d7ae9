#include "Parameters/FormBuilder.h"

#include "Parameters/PrField.h"
#include "Widgets/Tab.h"

#include <QDebug>
#include <QLayout>
#include <QPointer>

namespace {
// Guarded pointers: a page or group that has gone since it was set is simply absent.
QPointer<Tab> formReceiver;
QByteArray formSlot;
QPointer<QWidget> formContainer;

void placeInContainer(PrField *field)
{
    if (formContainer && formContainer->layout())
        formContainer->layout()->addWidget(field);
}
}

void beginForm(QWidget *)
{
    formReceiver = nullptr;
    formSlot.clear();
}

void setFormReceiver(Tab *page, const QByteArray &slotSignature)
{
    formReceiver = page;
    formSlot = slotSignature;
}

void setFormParent(QWidget *container)
{
    formContainer = container;
}

PrField *addField(HAbstractParametr *parametr)
{
    auto *field = new PrField(parametr, formContainer.data(), PrField::CaptionAbove);
    placeInContainer(field);
    return field;
}

PrField *addConnectedField(HAbstractParametr *parametr, int fieldIndex)
{
    PrField *field = addField(parametr);
    field->setFieldIndex(fieldIndex);
    if (formReceiver && !formSlot.isEmpty()) {
        if (!QObject::connect(field, SIGNAL(changed()), formReceiver.data(), formSlot.constData()))
            qWarning() << "FORM CONNECT" << formSlot;
    }
    return field;
}

PrField *addPairField(const QString &caption, HAbstractParametr *first, HAbstractParametr *second)
{
    auto *field = new PrField(caption, formContainer.data());
    field->addEditor(first);
    field->addEditor(second);
    placeInContainer(field);
    return field;
}

namespace {
QWidget *makeSpacer(QWidget *parent, QSizePolicy::Policy horizontal, QSizePolicy::Policy vertical)
{
    auto *spacer = new QWidget(parent);
    spacer->setMinimumSize(0, 0);
    spacer->setSizePolicy(horizontal, vertical);
    return spacer;
}
}

QWidget *makeVSpacer(QWidget *parent)
{
    return makeSpacer(parent, QSizePolicy::Maximum, QSizePolicy::Expanding);
}

QWidget *makeHSpacer(QWidget *parent)
{
    return makeSpacer(parent, QSizePolicy::Expanding, QSizePolicy::Maximum);
}
