// The device list: what sysfs and <config>/dosdevices give, the registry key built from it,
// and ListComPorts on top.

#include "platform/posix/SerialDevices.h"
#include "PosixFixture.h"
#include "base/Strings.h"
#include "platform/winapi/DeviceDescriptions.h"
#include "platform/winapi/Registry.h"
#include "support/TempConfig.h"
#include "support/PortExpect.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace tavrin::testing {
namespace {

namespace fs = std::filesystem;
using win::posix::SerialDeviceEntry;

std::vector<std::string> DataOf(const std::vector<SerialDeviceEntry>& entries) {
    std::vector<std::string> data;
    for (const auto& e : entries)
        data.push_back(e.data);
    std::sort(data.begin(), data.end());
    return data;
}

TEST(SerialDevices, ListsRealPortsOnlyAndNamesThemByTheirDevice) {
    TempFolder temp;
    FakeSysfs sys(temp.Path());
    sys.Tty("tty1", "");                                // virtual console: no device
    sys.Tty("ttyS0", "platform/serial8250/ttyS0", "4"); // the console
    sys.Tty("ttyS1", "platform/serial8250/ttyS1", "4"); // a UART
    sys.Tty("ttyS2", "platform/serial8250/ttyS2", "0"); // no UART behind it
    sys.UsbDevice("pci0/usb1/1-1", "0403", "6001");
    sys.Tty("ttyUSB0", "pci0/usb1/1-1/1-1:1.0/ttyUSB0"); // below a USB device
    sys.Tty("ttyGS0", "platform/gadget/ttyGS0");         // neither serial core nor USB
    sys.ActiveConsoles("tty0 ttyS0");

    const auto entries = win::posix::SerialCommEntriesFrom(sys.ClassTty(), temp.Path() + "/none");
    EXPECT_EQ(DataOf(entries), (std::vector<std::string>{"/dev/ttyS1", "/dev/ttyUSB0"}));
    for (const auto& e : entries) {
        if (e.data == "/dev/ttyUSB0") {
            EXPECT_NE(e.valueName.find("0403:6001"), std::string::npos) << e.valueName;
        }
    }
}

TEST(SerialDevices, DosDeviceLinksGiveComNamesForCharacterDevicesOnly) {
    TempFolder temp;
    FakeSysfs sys(temp.Path());
    const std::string dos = temp.Path() + "/dosdevices";
    fs::create_directories(dos);
    fs::create_symlink("/dev/null", dos + "/com3");
    fs::create_symlink("/dev/null", dos + "/com12");
    fs::create_symlink(temp.Path() + "/missing", dos + "/com4"); // leads nowhere
    std::ofstream(temp.Path() + "/file") << "x";
    fs::create_symlink(temp.Path() + "/file", dos + "/com5"); // no device
    fs::create_symlink("/dev/null", dos + "/com0");           // not a COM number
    fs::create_symlink("/dev/null", dos + "/lpt1");

    const auto entries = win::posix::SerialCommEntriesFrom(sys.ClassTty(), dos);
    EXPECT_EQ(DataOf(entries), (std::vector<std::string>{"COM12", "COM3"}));
}

TEST(SerialDevices, DescriptionsSayWhatEachDeviceIs) {
    TempFolder temp;
    TempConfig config(temp.Path() + "/config");
    FakeSysfs sys(temp.Path() + "/sys", true);
    sys.UsbDevice("pci0/usb1/1-1", "0403", "6001", "FTDI", "FT232R USB UART", "A50285BI");
    sys.Tty("ttyUSB0", "pci0/usb1/1-1/1-1:1.0/ttyUSB0");
    sys.UsbDevice("pci0/usb1/1-2", "2341", "0043"); // a board without strings
    sys.Tty("ttyACM0", "pci0/usb1/1-2/1-2:1.0/tty/ttyACM0");
    sys.Tty("ttyS1", "platform/serial8250/ttyS1", "4");
    sys.Tty("ttyS2", "platform/serial8250/ttyS2", "99"); // a UART this list does not know
    // A device whose node exists here, so that a COMn link can lead to it.
    sys.UsbDevice("pci0/usb1/1-3", "10c4", "ea60", "Silicon Labs", "CP2102 USB to UART");
    sys.Tty("null", "pci0/usb1/1-3/1-3:1.0/null");
    config.MapCom(4, "/dev/null");
    config.MapCom(5, "/dev/zero");

    const std::map<std::string, std::string> expected = {
        {"/dev/ttyUSB0", "FTDI FT232R USB UART, serial A50285BI (USB 0403:6001)"},
        {"/dev/ttyACM0", "USB device (USB 2341:0043)"},
        {"/dev/ttyS1", "Serial port (UART 16550A)"},
        {"/dev/ttyS2", "Serial port (UART)"},
        {"COM4", "/dev/null: Silicon Labs CP2102 USB to UART (USB 10c4:ea60)"},
        {"COM5", "/dev/zero"},
    };
    EXPECT_EQ(win::SerialDeviceDescriptions(), expected);
    // The device a link names is listed once, under the link's name.
    EXPECT_EQ(DataOf(win::posix::SerialCommEntries()),
              (std::vector<std::string>{"/dev/ttyACM0", "/dev/ttyS1", "/dev/ttyS2", "/dev/ttyUSB0",
                                        "COM4", "COM5"}));
}

class RegistryTest : public ::testing::Test {
protected:
    TempFolder temp_;
    TempConfig config_{temp_.Path() + "/config"};
};

TEST_F(RegistryTest, TheHardwareMapListsEveryDeviceAsText) {
    config_.MapCom(1, "/dev/null");
    config_.MapCom(2, "/dev/null");
    win::HKEY key = nullptr;
    ASSERT_EQ(win::RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, "hardware\\devicemap\\serialcomm", 0,
                                 win::KEY_READ, &key),
              0);
    std::vector<std::string> data;
    for (win::DWORD i = 0;; ++i) {
        char name[256];
        win::BYTE bytes[256];
        win::DWORD nameLength = sizeof name;
        win::DWORD dataLength = sizeof bytes;
        win::DWORD type = 0;
        const win::LONG result =
            win::RegEnumValueA(key, i, name, &nameLength, nullptr, &type, bytes, &dataLength);
        if (result == static_cast<win::LONG>(win::ERROR_NO_MORE_ITEMS))
            break;
        ASSERT_EQ(result, 0);
        EXPECT_EQ(type, win::REG_SZ);
        EXPECT_EQ(nameLength, std::string(name).size());
        EXPECT_EQ(bytes[dataLength - 1], 0);
        data.emplace_back(reinterpret_cast<char*>(bytes));
    }
    EXPECT_NE(std::find(data.begin(), data.end(), "COM1"), data.end());
    EXPECT_NE(std::find(data.begin(), data.end(), "COM2"), data.end());

    // A buffer too small for the data.
    char name[256];
    win::BYTE small[3];
    win::DWORD nameLength = sizeof name;
    win::DWORD smallLength = sizeof small;
    EXPECT_EQ(win::RegEnumValueA(key, 0, name, &nameLength, nullptr, nullptr, small, &smallLength),
              static_cast<win::LONG>(win::ERROR_MORE_DATA));
    EXPECT_EQ(win::RegCloseKey(key), 0);
    EXPECT_EQ(win::RegCloseKey(key), static_cast<win::LONG>(win::ERROR_INVALID_HANDLE));
}

TEST_F(RegistryTest, OtherKeysDoNotExistYet) {
    config_.MapCom(1, "/dev/null");
    win::HKEY key = nullptr;
    EXPECT_EQ(win::RegOpenKeyExA(win::HKEY_CURRENT_USER, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0,
                                 win::KEY_READ, &key),
              2);
    EXPECT_EQ(
        win::RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, "Software\\Ketno", 0, win::KEY_READ, &key), 2);
    EXPECT_EQ(key, nullptr);
}

TEST_F(RegistryTest, ListComPortsSortsWithoutLetterCaseAndReplacesTheList) {
    for (int n : {2, 10, 1})
        config_.MapCom(n, "/dev/null");
    TStrings list;
    list.Add("stale");
    ListComPorts(list);
    std::vector<std::string> names;
    for (std::size_t i = 0; i < list.Count(); ++i)
        names.push_back(list[i]);
    // Real ports of the machine may come along; the COM names keep this order among them.
    std::vector<std::string> com;
    std::copy_if(names.begin(), names.end(), std::back_inserter(com),
                 [](const std::string& s) { return s.rfind("COM", 0) == 0; });
    EXPECT_EQ(com, (std::vector<std::string>{"COM1", "COM10", "COM2"}));
    EXPECT_EQ(std::find(names.begin(), names.end(), "stale"), names.end());
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end(),
                               [](const auto& a, const auto& b) { return CompareText(a, b) < 0; }));
}

TEST_F(RegistryTest, ListComPortsWithoutAnyDeviceRaisesRegistryErrorTwo) {
    if (!win::posix::SerialCommEntries().empty())
        GTEST_SKIP() << "this machine has serial ports of its own";
    TStrings list;
    list.Add("kept");
    ExpectComError([&] { ListComPorts(list); }, CError_RegError, 2);
    ASSERT_EQ(list.Count(), 1u);
    EXPECT_EQ(list[0], "kept");
}

TEST(Strings, SortIgnoresLetterCaseAndKeepsEqualTextsInOrder) {
    TStrings list;
    for (const char* s : {"com2", "COM10", "b", "COM1", "B", "a"})
        list.Add(s);
    list.Sort();
    std::vector<std::string> sorted;
    for (std::size_t i = 0; i < list.Count(); ++i)
        sorted.push_back(list[i]);
    EXPECT_EQ(sorted, (std::vector<std::string>{"a", "b", "B", "COM1", "COM10", "com2"}));
}

} // namespace
} // namespace tavrin::testing
