#include "Verification/VrDevice.h"

#include "Parameters/Dictionary.h"
#include "Parameters/ParametrDouble.h"
#include "Parameters/ParametrEnum.h"
#include "Parameters/ParametrString.h"

#include <QCoreApplication>

const QStringList &deviceCardColumnTitles()
{
    // Built on first use, after the translators are installed; the parameters refer to these texts.
    static const QStringList titles{
        QCoreApplication::translate("VrDevice", "Наименование прибора"),
        QCoreApplication::translate("VrDevice", "Заводской номер"),
        QCoreApplication::translate("VrDevice", "Собственник"),
        QCoreApplication::translate("VrDevice", "Тип прибора"),
        QCoreApplication::translate("VrDevice", "Инвентарный номер"),
        QCoreApplication::translate("VrDevice", "Год изготовления"),
        QCoreApplication::translate("VrDevice", "Рабочая среда"),
        QCoreApplication::translate("VrDevice", "Замечания по результатам внешнего осмотра"),
        QCoreApplication::translate("VrDevice", "Интервал макс"),
        QCoreApplication::translate("VrDevice", "Интервал мин"),
        QCoreApplication::translate("VrDevice", "Единица показаний"),
        QCoreApplication::translate("VrDevice", "Обознач. документа (поверка)"),
        QCoreApplication::translate("VrDevice", "Обознач. документа (калибровка)"),
        QCoreApplication::translate("VrDevice", "Тип поверки / калибровки"),
        QCoreApplication::translate("VrDevice", "Выходной сигнал"),
        QCoreApplication::translate("VrDevice", "Проверка герметичности"),
        QCoreApplication::translate("VrDevice", "Опробование"),
        QCoreApplication::translate("VrDevice", "Проверка эл. прочности изоляции"),
        QCoreApplication::translate("VrDevice", "Проверка эл. R изоляции"),
    };
    return titles;
}

VrDevice::VrDevice()
{
    const QStringList &t = deviceCardColumnTitles();
    const Dictionary *dict = Dictionary::instance;
    const double limit = 99999999.99;

    prName = new ParametrString(t.at(0), 50);
    prSerial = new ParametrString(t.at(1), 50);
    prOwner = new ParametrString(t.at(2), 50);
    prDevType = new ParametrString(t.at(3), 50);
    prDevInv = new ParametrString(t.at(4), 50);
    prYear = new ParametrString(t.at(5), 50);
    prAmbiant = new ParametrString(t.at(6), 50);
    prNotes = new ParametrString(t.at(7), 1000, HAbstractParametr::AltEditor);
    prIntervalMax = new ParametrDouble(t.at(8), -limit, limit);
    prIntervalMin = new ParametrDouble(t.at(9), -limit, limit);
    prDevUnits = new ParametrEnum(t.at(10), dict->units);
    prVrDocumentVr = new ParametrString(t.at(11), 50);
    prVrDocumentCl = new ParametrString(t.at(12), 50);
    prVrOrder = new ParametrEnum(t.at(13), dict->verificationKinds);
    prSignalType = new ParametrString(t.at(14), 50);
    prCheckSystemGr = new ParametrEnum(t.at(15), dict->verdicts);
    prCheckUsage = new ParametrEnum(t.at(16), dict->verdicts);
    prCheckRSolid = new ParametrEnum(t.at(17), dict->verdicts);
    prCheckR = new ParametrEnum(t.at(18), dict->verdicts);
}

VrDevice::~VrDevice()
{
    delete prName;
    delete prSerial;
    delete prOwner;
    delete prDevType;
    delete prDevInv;
    delete prYear;
    delete prAmbiant;
    delete prNotes;
    delete prIntervalMax;
    delete prIntervalMin;
    delete prDevUnits;
    delete prVrDocumentVr;
    delete prVrDocumentCl;
    delete prVrOrder;
    delete prSignalType;
    delete prCheckSystemGr;
    delete prCheckUsage;
    delete prCheckRSolid;
    delete prCheckR;
}
