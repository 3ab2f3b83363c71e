// Why a port does not open, told below the port's own message: another program holds the
// device, the user may not use it, or it is not there.

#include "AppFixture.h"

#include "app/main/PortOpenFailure.h"
#include "support/DeviceHolder.h"
#include "support/SocatPair.h"

#include <sys/stat.h>
#include <unistd.h>

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
    locked.joiningGroupHelps = true;
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
        {"not permitted, a group would help", "/dev/ttyUSB0", 5, locked,
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

const QString JoinGroupAdvice =
    QStringLiteral("Sem permissão para usar %1, que pertence ao grupo %2. Para entrar no grupo: "
                   "sudo usermod -aG %2 $USER e depois saia e entre de novo na sessão.");
const QString AdministratorAdvice =
    QStringLiteral("Sem permissão para usar %1: só o dono do dispositivo pode usá-lo. Peça a um "
                   "administrador que dê acesso, por exemplo com uma regra do udev que dê ao "
                   "grupo dialout leitura e escrita, e que inclua você nesse grupo.");

// A group to join is named only where that group may read and write the device and the
// user is not its owner; root's group never, whatever its rights.
TEST(OpenFailureDetailTest, PermissionAdviceFitsTheDevice) {
    const win::UserIdentity student{1000, {1000}};
    const struct {
        const char* name;
        unsigned int mode, ownerUid, ownerGid;
        std::string group;
        bool joinAdvice;
    } rows[] = {
        {"group with read and write", 0660, 0, 20, "dialout", true},
        {"group that may only read", 0640, 0, 20, "dialout", false},
        {"group without any rights", 0600, 0, 20, "dialout", false},
        {"owner only, all root's", 0600, 0, 0, "root", false},
        {"root's group, though it has both", 0660, 0, 0, "root", false},
        {"the user owns it without rights; the group's would not apply", 0060, 1000, 20, "dialout",
         false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        win::DeviceProbe probe;
        probe.path = "/dev/ttyUSB0";
        probe.present = probe.exists = true;
        probe.readWrite =
            win::MayReadWrite(S_IFCHR | row.mode, row.ownerUid, row.ownerGid, student);
        ASSERT_FALSE(probe.readWrite);
        probe.group = row.group;
        probe.joiningGroupHelps =
            win::JoiningGroupHelps(S_IFCHR | row.mode, row.ownerUid, row.ownerGid, student);

        const QString detail = OpenFailureDetail("/dev/ttyUSB0", 5, probe);

        const QString expected = row.joinAdvice
                                     ? JoinGroupAdvice.arg(QStringLiteral("/dev/ttyUSB0"),
                                                           QString::fromStdString(row.group))
                                     : AdministratorAdvice.arg("/dev/ttyUSB0");
        EXPECT_EQ(detail, expected);
        EXPECT_FALSE(detail.contains(QStringLiteral("root"))) << detail.toStdString();
    }
}

// The same probe on a real device with the modes set, asked for an ordinary user (the tests
// may run as root, who may open anything).
TEST(OpenFailureDetailTest, OrdinaryUserIsToldWhatFitsARealDevice) {
    PseudoTerminal pty;
    ASSERT_FALSE(pty.Path().empty());
    // A group other than root's, one the test may hand the device to: dialout (20) as root,
    // else the test user's own.
    const gid_t group = ::geteuid() == 0 ? 20 : ::getegid();
    ASSERT_EQ(::chown(pty.Path().c_str(), static_cast<uid_t>(-1), group), 0);
    const win::UserIdentity student{65534, {65534}};
    const QString path = QString::fromStdString(pty.Path());
    const struct {
        const char* name;
        mode_t mode;
        bool joinAdvice;
    } rows[] = {
        {"group with read and write", 0660, true},
        {"group that may only read", 0640, false},
        {"owner only", 0600, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_EQ(::chmod(pty.Path().c_str(), row.mode), 0);

        const win::DeviceProbe probe = win::ProbeDevice(pty.Path(), student);

        ASSERT_FALSE(probe.group.empty());
        ASSERT_FALSE(probe.readWrite);
        const QString group = QString::fromStdString(probe.group);
        EXPECT_EQ(OpenFailureDetail(pty.Path(), 5, probe), row.joinAdvice
                                                               ? JoinGroupAdvice.arg(path, group)
                                                               : AdministratorAdvice.arg(path));
    }
}

} // namespace
} // namespace tavrin::testing
