#include "Parameters/Dictionary.h"

#include <QObject>

Dictionary *Dictionary::instance = nullptr;

namespace {
EnumList numbered(const QStringList &texts, int firstId = 0)
{
    EnumList list;
    for (int i = 0; i < texts.size(); ++i)
        list.append(EnumItem(texts.at(i), firstId + i));
    return list;
}
}

Dictionary::Dictionary()
{
    comPortCaption = QObject::tr("COM порт:");
    timeAxisTitle = QObject::tr("Время, мин");
    emptyText = QObject::tr("");
    methodADescription = QObject::tr("Способ поверки А: Установка стрелки манометра на проверяемую отметку ➞ отсчет действительного давления по эталону (ЦРЗ)");
    methodBDescription = QObject::tr("Способ поверки В: Установка заданного опорного давления по эталону (ЦРЗ) ➞ отсчет показаний по проверяемому манометру");
    methodATitle = QObject::tr("Способ поверки A – На основе показаний манометра");
    methodBTitle = QObject::tr("Способ поверки B – На основе показаний эталона");
    methodAName = QObject::tr("Способ поверки A");
    methodBName = QObject::tr("Способ поверки B");

    deviceCounts = numbered({QObject::tr("1"), QObject::tr("2"), QObject::tr("3"), QObject::tr("4")}, 1);

    units = {
        EnumItem(QObject::tr("Па"), 0),
        EnumItem(QObject::tr("кПа"), 1),
        EnumItem(QObject::tr("МПа"), 2),
        EnumItem(QObject::tr("гПа"), 11),
        EnumItem(QObject::tr("бар"), 8),
        EnumItem(QObject::tr("мбар"), 7),
        EnumItem(QObject::tr("атм"), 9),
        EnumItem(QObject::tr("мм рт. ст."), 5),
        EnumItem(QObject::tr("мм вод. ст."), 6),
        EnumItem(QObject::tr("м вод. ст."), 12),
        EnumItem(QObject::tr("кгс/см²"), 3),
        EnumItem(QObject::tr("кгс/м²"), 4),
        EnumItem(QObject::tr("psi"), 10),
    };

    qvtModels = numbered({QObject::tr("ЦРЗ-71"), QObject::tr("ЦРЗ-72")});
    languages = numbered({QObject::tr("English"), QObject::tr("Русский")});
    methods = numbered({QObject::tr("A"), QObject::tr("B")});
    onOff = numbered({QObject::tr("выкл"), QObject::tr("ВКЛ")});
    gaugeUnits = numbered({QObject::tr("Па"), QObject::tr("кПа"), QObject::tr("МПа"), QObject::tr("кгс/см²"),
                           QObject::tr("кгс/м²"), QObject::tr("мм рт. ст."), QObject::tr("мм вод. ст."),
                           QObject::tr("мбар"), QObject::tr("бар"), QObject::tr("атм"), QObject::tr("psi")});
    documentSets = numbered({QObject::tr("Сертификат о калибровке"), QObject::tr("Свидетельство о поверке"),
                             QObject::tr("Формат протокола на основе шаблона")});

    const QStringList classes{QObject::tr("0,4"), QObject::tr("0,6"), QObject::tr("1,0"), QObject::tr("1,5"),
                              QObject::tr("2,5"), QObject::tr("4,0"), QObject::tr("1-0,6-1"),
                              QObject::tr("1,5-1-1,5"), QObject::tr("2,5-1,5-2,5"), QObject::tr("4-2,5-4")};
    for (const QString &text : classes)
        accuracyClasses.append(EnumItem(text, 0));

    accuracyIndexes = numbered({QObject::tr("A0"), QObject::tr("A"), QObject::tr("B"), QObject::tr("C")});

    const char *codes[] = {"ZKA", "ZKB", "ZKC", "ZKD", "ZKE", "ZKF", "ZKH", "ZKI", "ZKJ", "ZKK", "ZKL", "ZKM",
                           "ZKN", "ZKO", "ZKP", "ZKQ", "ZKR", "ZKS", "ZKT", "ZKU", "ZKV", "ZKW", "ZKX"};
    for (int i = 0; i < int(sizeof codes / sizeof codes[0]); ++i)
        rangeCodes.append(EnumItem(QObject::tr(codes[i]), i));

    readModes = numbered({QObject::tr("вручную"), QObject::tr("при нажатии кнопки СТАРТ")});
    verificationKinds = numbered({QObject::tr("первичная"), QObject::tr("периодическая")});
    verdicts = numbered({QObject::tr("соответствует"), QObject::tr("не соответствует")});

    instance = this;
}
