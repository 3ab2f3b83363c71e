// Why a port does not open, told below the port's own message: another program holds the
// device, the user may not use it, or it is not there.

#include "AppFixture.h"

#include "app/main/PortOpenFailure.h"
#include "support/DeviceHolder.h"
#include "support/SocatPair.h"

#include <sys/stat.h>

namespace tavrin::testing {
namespace {

TEST(OpenFailureDetailTest, EachCauseHasItsLine) {
    win::DeviceProbe none;
    none.path = "/dev/ttyUSB0";
    win::DeviceProbe listed = none;
    listed.available = {"/dev/ttyUSB1", "COM3"};
    win::DeviceProbe notSerial = listed;
    notSerial.path = "/dev/null";
    notSerial.present = notSerial.exists = true;
    win::DeviceProbe viaLink = none;
    viaLink.path = "/home/aluno/.config/tavrin/dosdevices/com3";
    win::DeviceProbe held = none;
    held.exists = held.readWrite = true;
    held.holderPid = 812;
    held.holderProgram = "picocom";
    win::DeviceProbe heldUnknown = held;
    heldUnknown.holderPid = 0;
    heldUnknown.holderProgram.clear();
    win::DeviceProbe locked = none;
    locked.exists = true;
    locked.group = "dialout";
    locked.groupReadWrite = true;
    win::DeviceProbe virtualDevice;
    virtualDevice.virtualDevice = true;

    const struct {
        const char* name;
        std::string port;
        int code;
        const win::DeviceProbe& probe;
        QString expected;
    } rows[] = {
        {"missing, nothing else there", "ttyUSB0", 2, none,
         QStringLiteral("O dispositivo ttyUSB0 (/dev/ttyUSB0) não existe. Nenhuma porta serial "
                        "foi encontrada neste computador.")},
        {"missing, others there", "/dev/ttyUSB0", 2, listed,
         QStringLiteral("O dispositivo /dev/ttyUSB0 não existe. Portas seriais encontradas: "
                        "/dev/ttyUSB1, COM3.")},
        {"there, but no serial port", "/dev/null", 2, notSerial,
         QStringLiteral("/dev/null não é uma porta serial. Portas seriais encontradas: "
                        "/dev/ttyUSB1, COM3.")},
        {"COMn names the link it stands for", "COM3", 2, viaLink,
         QStringLiteral("O dispositivo COM3 (/home/aluno/.config/tavrin/dosdevices/com3) não "
                        "existe. Nenhuma porta serial foi encontrada neste computador.")},
        {"held by a program that is known", "/dev/ttyUSB0", 5, held,
         QStringLiteral("O dispositivo /dev/ttyUSB0 está em uso por outro programa: picocom "
                        "(processo 812).")},
        {"held by an unknown program", "/dev/ttyUSB0", 5, heldUnknown,
         QStringLiteral("O dispositivo /dev/ttyUSB0 está em uso por outro programa.")},
        {"not permitted", "/dev/ttyUSB0", 5, locked,
         QStringLiteral("Sem permissão para usar /dev/ttyUSB0, que pertence ao grupo dialout. "
                        "Para entrar no grupo: sudo usermod -aG dialout $USER e depois saia e "
                        "entre de novo na sessão.")},
        {"denied on a device that vanished meanwhile", "/dev/ttyUSB0", 5, none, QString()},
        {"a code with nothing to add", "/dev/ttyUSB0", 87, held, QString()},
        {"a virtual device", "COM1", 2, virtualDevice, QString()},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(OpenFailureDetail(row.port, row.code, row.probe), row.expected);
    }
}

using OpenFailureTest = AppFixture;

// Real devices and a real holder; the window's "Abrir Porta" shows the port's message
// untouched on its first line.
TEST_F(OpenFailureTest, FailedOpenExplainsItselfBelowThePortsMessage) {
    PseudoTerminal held;
    ASSERT_FALSE(held.Path().empty());
    DeviceHolder holder(held.Path());
    ASSERT_TRUE(holder.Holding());
    TempFolder temp;
    const std::string missing = temp.Path() + "/ttyUSB9";

    const struct {
        const char* name;
        std::string port;
        QString firstLine;
        QString detailStart;
    } rows[] = {
        {"held by another program", held.Path(),
         QStringLiteral("Porta Com não disponível (win error code: 5)"),
         QStringLiteral("O dispositivo %1 está em uso por outro programa: python3 (processo %2).")
             .arg(QString::fromStdString(held.Path()))
             .arg(holder.Pid())},
        {"missing", missing, QStringLiteral("Porta Com não disponível (win error code: 2)"),
         QStringLiteral("O dispositivo %1 não existe. ").arg(QString::fromStdString(missing))},
        {"no serial port", "/dev/null",
         QStringLiteral("Porta Com não disponível (win error code: 2)"),
         QStringLiteral("/dev/null não é uma porta serial. ")},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Restart();
        Quelt->ComPort->SetPort(row.port);

        Quelt->AbrirPorta1->trigger();

        ASSERT_EQ(Errors().size(), 1u);
        const QStringList lines = Errors()[0].split(QLatin1Char('\n'));
        ASSERT_EQ(lines.size(), 2);
        EXPECT_EQ(lines[0], row.firstLine);
        EXPECT_TRUE(lines[1].startsWith(row.detailStart)) << lines[1].toStdString();
        EXPECT_FALSE(PortOpen);
        EXPECT_TRUE(MenuSaysClosed());
    }
}

// The program runs as root here, who may open anything; what an ordinary user outside the
// device's group is told comes from the same probe, asked for that user.
// An ordinary user who may not use a real device is told to join its group only when that
// group may read and write it; otherwise that an administrator must give access. Root is
// never a group to join.
TEST(OpenFailureDetailTest, OrdinaryUserGetsAdviceThatFitsTheDevice) {
    const win::UserIdentity student{65534, {65534}};
    const auto joinGroup = [](const QString& device, const QString& group) {
        return QStringLiteral("Sem permissão para usar %1, que pertence ao grupo %2. Para entrar "
                              "no grupo: sudo usermod -aG %2 $USER e depois saia e entre de novo "
                              "na sessão.")
            .arg(device, group);
    };
    const auto askAdministrator = [](const QString& device) {
        return QStringLiteral("Sem permissão para usar %1: só o dono do dispositivo pode usá-lo. "
                              "Peça a um administrador que dê acesso, por exemplo com uma regra "
                              "do udev que dê ao grupo dialout leitura e escrita "
                              "(GROUP=\"dialout\", MODE=\"0660\").")
            .arg(device);
    };
    const struct {
        const char* name;
        mode_t mode;
        bool groupNamed;
    } rows[] = {
        {"group with read and write", 0660, true},
        {"group that may only read", 0640, false},
        {"owner only", 0600, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        PseudoTerminal pty;
        ASSERT_FALSE(pty.Path().empty());
        ASSERT_EQ(::chmod(pty.Path().c_str(), row.mode), 0);
        const win::DeviceProbe probe = win::ProbeDevice(pty.Path(), student);
        ASSERT_FALSE(probe.group.empty());
        const QString device = QString::fromStdString(pty.Path());
        const QString group = QString::fromStdString(probe.group);
        // Terminals belong to the group tty on most systems, to root in some containers.
        EXPECT_EQ(OpenFailureDetail(pty.Path(), 5, probe),
                  row.groupNamed && group != QStringLiteral("root") ? joinGroup(device, group)
                                                                    : askAdministrator(device));
    }

    // A device of the root group, even one that group may use, as "0600 root:root" or
    // "0660 root:root" show it.
    for (bool groupReadWrite : {false, true}) {
        win::DeviceProbe rootOwned;
        rootOwned.path = "/dev/ttyACM0";
        rootOwned.exists = true;
        rootOwned.group = "root";
        rootOwned.groupReadWrite = groupReadWrite;
        const QString detail = OpenFailureDetail("/dev/ttyACM0", 5, rootOwned);
        EXPECT_EQ(detail, askAdministrator(QStringLiteral("/dev/ttyACM0")));
        EXPECT_FALSE(detail.contains(QStringLiteral("-aG root")));
    }
}

} // namespace
} // namespace tavrin::testing
