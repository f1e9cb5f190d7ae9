#pragma once

#include <QByteArray>
#include <QString>

class HAbstractParametr;
class PrField;
class QWidget;
class Tab;

// Builds a page's form of captioned fields in a few calls. The state is shared by all
// pages and used from the GUI thread only: a page starts its form with beginForm, names
// the slot that hears its fields, chooses the container, and adds the fields in order.
void beginForm(QWidget *page);
// slotSignature in Qt's slot notation: SLOT(onFieldChanged()).
void setFormReceiver(Tab *page, const QByteArray &slotSignature);
void setFormParent(QWidget *container);

PrField *addField(HAbstractParametr *parametr);
PrField *addConnectedField(HAbstractParametr *parametr, int fieldIndex);
PrField *addPairField(const QString &caption, HAbstractParametr *first, HAbstractParametr *second);

// Fillers for the same layouts; not added to any layout.
QWidget *makeVSpacer(QWidget *parent);
QWidget *makeHSpacer(QWidget *parent);
