#include "app/main/PortOpenFailure.h"

#include "app/qt/Ansi.h"
#include "serial/CPort.h"

#include <QStringList>

namespace tavrin {

namespace {

// The name the user chose, and the file behind it when that is not plain from the name.
QString DeviceLabel(const std::string& portName, const win::DeviceProbe& probe) {
    const QString name = FromAnsi(portName);
    const QString path = QString::fromStdString(probe.path);
    if (path.isEmpty() || path == name)
        return name;
    return QStringLiteral("%1 (%2)").arg(name, path);
}

// A name that leads nowhere, or to a file that is no serial port (a folder, a plain file,
// a device that is no terminal), and what there is instead.
QString MissingDetail(const QString& device, const win::DeviceProbe& probe) {
    QString line = probe.present ? QStringLiteral("%1 não é uma porta serial.").arg(device)
                                 : QStringLiteral("O dispositivo %1 não existe.").arg(device);
    if (probe.available.empty())
        return line + QStringLiteral(" Nenhuma porta serial foi encontrada neste computador.");
    QStringList names;
    for (const std::string& name : probe.available)
        names << QString::fromStdString(name);
    return line +
           QStringLiteral(" Portas seriais encontradas: %1.").arg(names.join(QStringLiteral(", ")));
}

// Joining a group is advice only where that group may read and write the device; anywhere
// else only an administrator can open the device up.
QString PermissionDetail(const QString& device, const win::DeviceProbe& probe) {
    if (!probe.joiningGroupHelps || probe.group.empty())
        return QStringLiteral("Sem permissão para usar %1: só o dono do dispositivo pode usá-lo. "
                              "Peça a um administrador que dê acesso, por exemplo com uma regra "
                              "do udev que dê ao grupo dialout leitura e escrita, e que inclua "
                              "você nesse grupo.")
            .arg(device);
    const QString group = QString::fromStdString(probe.group);
    return QStringLiteral("Sem permissão para usar %1, que pertence ao grupo %2. Para entrar no "
                          "grupo: sudo usermod -aG %2 $USER e depois saia e entre de novo na "
                          "sessão.")
        .arg(device, group);
}

QString InUseDetail(const QString& device, const win::DeviceProbe& probe) {
    if (probe.holderPid <= 0)
        return QStringLiteral("O dispositivo %1 está em uso por outro programa.").arg(device);
    const QString program = probe.holderProgram.empty()
                                ? QStringLiteral("processo %1").arg(probe.holderPid)
                                : QStringLiteral("%1 (processo %2)")
                                      .arg(QString::fromStdString(probe.holderProgram))
                                      .arg(probe.holderPid);
    return QStringLiteral("O dispositivo %1 está em uso por outro programa: %2.")
        .arg(device, program);
}

} // namespace

QString OpenFailureDetail(const std::string& portName, int systemError,
                          const win::DeviceProbe& probe) {
    if (probe.virtualDevice)
        return {};
    const QString device = DeviceLabel(portName, probe);
    switch (systemError) {
    case win::ERROR_FILE_NOT_FOUND:
        return MissingDetail(device, probe);
    case win::ERROR_ACCESS_DENIED:
        if (!probe.exists)
            return {};
        return probe.readWrite ? InUseDetail(device, probe) : PermissionDetail(device, probe);
    default:
        return {};
    }
}

void OpenPortExplained(TComPort& port) {
    try {
        port.OpenPort();
    } catch (const EComPort& error) {
        if (error.ErrorNumber() != CError_OpenFailed || error.SystemError() < 0)
            throw;
        const QString detail =
            OpenFailureDetail(port.Port(), error.SystemError(), win::ProbeDevice(port.Port()));
        if (detail.isEmpty())
            throw;
        throw Exception(error.Message() + "\n" + ToAnsi(detail));
    }
}

} // namespace tavrin
