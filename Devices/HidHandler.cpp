#include "Devices/HidHandler.h"

#include "Parameters/Configurator.h"
#include "Parameters/ParametrString.h"

#include <QCoreApplication>
#include <QLibrary>
#include <QtEndian>

#include <cstring>

HidHandler *HidHandler::instance = nullptr;

namespace {
const int SerialLength = 8;
const double PaPerMmHg = 133.322;

#if defined(Q_OS_WIN) && defined(Q_PROCESSOR_X86_32)
#define VORTA_CALL __stdcall
#else
#define VORTA_CALL
#endif
using UsbRead = uint8_t(VORTA_CALL *)(const char *serial, char memType, uint32_t address, uint8_t *buffer,
                                      uint16_t count);
} // namespace

HidHandler::HidHandler(QObject *parent) : QObject(parent)
{
    m_serial = new ParametrString(tr("Серийный номер ЛУМО-5 К"), SerialLength, HAbstractParametr::OwnsTitle);
    m_serial->setValue(QStringLiteral("10074841"));
    Configurator::instance->addParametr(m_serial, QStringLiteral("prSerialLUMO"));
    instance = this;
}

QByteArray HidHandler::serialBytes() const
{
    // conf.ini may hold a longer text; the meter's serial has eight characters.
    const QString text = m_serial->value().left(m_serial->maxLength());
    return text.rightJustified(m_serial->maxLength(), QLatin1Char('0')).toLatin1();
}

bool HidHandler::readConditions()
{
    const QByteArray serial = serialBytes();

    // Beside the program, never from the working directory: that is not ours to trust.
    QLibrary library(QCoreApplication::applicationDirPath() + QStringLiteral("/VortaExchange"));
    if (!library.load())
        return false;
    auto read = reinterpret_cast<UsbRead>(library.resolve("VORTA_USB_Read"));
    if (!read)
        return false;

    uint8_t buffer[12] = {};
    if (!read(serial.constData(), 'R', 0, buffer, sizeof buffer))
        return false;

    float values[3];
    for (int i = 0; i < 3; ++i) {
        const quint32 bits = qFromLittleEndian<quint32>(buffer + 4 * i);
        std::memcpy(&values[i], &bits, sizeof bits);
    }
    temperature = values[0];
    humidity = values[1];
    pressure = static_cast<float>(values[2] * PaPerMmHg);
    return true;
}
