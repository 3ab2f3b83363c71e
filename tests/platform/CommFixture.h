#pragma once

// An open overlapped handle on a fresh virtual device, with an event for its transfers.

#include "platform/virtual/VirtualDevice.h"
#include "platform/winapi/Comm.h"
#include "platform/winapi/Handles.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <unistd.h>

namespace platform_test {

inline std::string UniqueName(const char* stem) {
    static std::atomic<int> counter{0};
    return std::string(stem) + "-" + std::to_string(::getpid()) + "-" + std::to_string(++counter);
}

class CommFixture : public ::testing::Test {
protected:
    void SetUp() override {
        name = UniqueName("plat");
        device = win::virt::VirtualDevice::Register(name);
        handlesBefore = win::handles::OpenCount();
        file = Open();
        ASSERT_NE(file, win::INVALID_HANDLE_VALUE);
        event = win::CreateEventA(nullptr, win::TRUE, win::TRUE, nullptr);
        ov.hEvent = event;
    }
    void TearDown() override {
        if (file != win::INVALID_HANDLE_VALUE)
            win::CloseHandle(file);
        win::CloseHandle(event);
        EXPECT_EQ(win::handles::OpenCount(), handlesBefore) << "a handle leaked";
        win::virt::VirtualDevice::Unregister(name);
    }

    win::HANDLE Open(win::DWORD flags = win::FILE_FLAG_OVERLAPPED) {
        return win::CreateFileA(("\\\\.\\" + name).c_str(), win::GENERIC_READ | win::GENERIC_WRITE,
                                0, nullptr, win::OPEN_EXISTING, flags, nullptr);
    }
    void SetTimeouts(win::DWORD interval, win::DWORD multiplier, win::DWORD constant) {
        win::COMMTIMEOUTS t{interval, multiplier, constant, 0, 0};
        ASSERT_TRUE(win::SetCommTimeouts(file, &t));
    }
    bool Signalled(win::DWORD ms = 0) { return win::WaitForSingleObject(event, ms) == 0; }
    // A deadline for things that must happen; never reached when all is well.
    static constexpr win::DWORD kDeadlineMs = 10000;

    std::string name;
    std::shared_ptr<win::virt::VirtualDevice> device;
    std::size_t handlesBefore = 0;
    win::HANDLE file = win::INVALID_HANDLE_VALUE;
    win::HANDLE event = nullptr;
    win::OVERLAPPED ov{};
};

} // namespace platform_test
