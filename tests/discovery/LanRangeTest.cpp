// The first run's range from the interface list: which interface counts, and how far
// around its own address the range reaches for each network size.
#include "LanRange.h"
#include "FakeNetworkInterfaces.h"

#include <gtest/gtest.h>

#include <ostream>

void PrintTo(const LanRange& r, std::ostream* os) {
    *os << r.From << " .. " << r.To;
}

void PrintTo(const NetworkInterface& i, std::ostream* os) {
    *os << i.Name << ' ' << i.Address.ToString() << '/' << i.Netmask.ToString() << " brd "
        << i.Broadcast.ToString() << (i.Up ? " up" : " down") << (i.Loopback ? " loopback" : "")
        << (i.BroadcastCapable ? " broadcast" : "");
}

namespace {

struct RangeCase {
    const char* Name;
    std::vector<NetworkInterface> Interfaces;
    std::optional<LanRange> Expected;
};

void PrintTo(const RangeCase& c, std::ostream* os) {
    *os << c.Name;
}

NetworkInterface Up(const char* address, const char* netmask, const char* name = "eth0") {
    return TestInterface(name, address, netmask, "");
}

NetworkInterface Down(const char* address, const char* netmask) {
    return TestInterface("eth9", address, netmask, "", false);
}

const NetworkInterface Loopback =
    TestInterface("lo", "127.0.0.1", "255.0.0.0", "", true, true, false);

const RangeCase Cases[] = {
    {"Slash8", {Up("10.20.30.40", "255.0.0.0")}, LanRange{"10.20.30.1", "10.20.30.254"}},
    {"Slash16", {Up("172.16.5.9", "255.255.0.0")}, LanRange{"172.16.5.1", "172.16.5.254"}},
    {"Slash16OwnLastPartZero",
     {Up("172.16.5.0", "255.255.0.0")},
     LanRange{"172.16.5.1", "172.16.5.254"}},
    {"Slash24", {Up("192.168.1.77", "255.255.255.0")}, LanRange{"192.168.1.1", "192.168.1.254"}},
    {"Slash28", {Up("192.168.1.77", "255.255.255.240")}, LanRange{"192.168.1.65", "192.168.1.78"}},
    {"Slash28AtTheTopOfItsBlock",
     {Up("192.168.1.250", "255.255.255.240")},
     LanRange{"192.168.1.241", "192.168.1.254"}},
    {"Slash30", {Up("192.168.1.77", "255.255.255.252")}, LanRange{"192.168.1.77", "192.168.1.78"}},
    {"Slash31BothAreHosts",
     {Up("192.168.1.77", "255.255.255.254")},
     LanRange{"192.168.1.76", "192.168.1.77"}},
    {"Slash31AtZeroKeepsTheTypableOne",
     {Up("10.0.0.0", "255.255.255.254")},
     LanRange{"10.0.0.1", "10.0.0.1"}},
    {"Slash32OnlyItself",
     {Up("192.168.1.77", "255.255.255.255")},
     LanRange{"192.168.1.77", "192.168.1.77"}},
    {"Slash32AtLastPart255", {Up("10.1.2.255", "255.255.255.255")}, std::nullopt},
    {"NoInterface", {}, std::nullopt},
    {"OnlyLoopback", {Loopback}, std::nullopt},
    {"OnlyDownInterfaces",
     {Loopback, Down("192.168.1.77", "255.255.255.0"), Down("10.0.0.5", "255.0.0.0")},
     std::nullopt},
    {"FirstUpNonLoopbackWins",
     {Loopback, Down("192.168.1.77", "255.255.255.0"), Up("10.9.8.7", "255.255.255.0", "wlan0"),
      Up("172.16.0.1", "255.255.0.0", "eth1")},
     LanRange{"10.9.8.1", "10.9.8.254"}},
    {"TheTestProgramsOwnList", DefaultTestInterfaces(), LanRange{"127.77.0.1", "127.77.0.254"}},
};

class FirstRun : public testing::TestWithParam<RangeCase> {};

TEST_P(FirstRun, RangeAroundTheOwnAddress) {
    EXPECT_EQ(FirstRunRange(GetParam().Interfaces), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(Networks, FirstRun, testing::ValuesIn(Cases),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(FirstRunPorts, TheGamesUsualServerPorts) {
    EXPECT_EQ(FirstRunPorts(),
              (std::vector<std::string>{"27015", "27016", "27017", "27018", "27019", "27020"}));
}

// An address added without a broadcast address is listed with none, or with its own
// address in its place: the broadcast then goes to the network's directed broadcast.
TEST(BroadcastOf, TheReportedOneElseEveryHostBitSet) {
    const auto a = [](const char* text) { return *Ipv4Address::Parse(text); };
    struct Case {
        const char *Address, *Netmask, *Reported, *Expected;
    } const cases[] = {
        {"192.168.1.77", "255.255.255.0", "192.168.1.255", "192.168.1.255"},
        {"192.168.1.77", "255.255.255.0", "192.168.1.127", "192.168.1.127"},
        {"10.99.7.23", "255.255.0.0", "10.99.7.23", "10.99.255.255"},
        {"10.99.7.23", "255.255.0.0", "0.0.0.0", "10.99.255.255"},
        {"192.168.1.77", "255.255.255.252", "0.0.0.0", "192.168.1.79"},
        {"192.168.1.77", "255.255.255.254", "0.0.0.0", "0.0.0.0"},
        {"192.168.1.77", "255.255.255.255", "192.168.1.77", "0.0.0.0"},
        {"192.168.1.77", "255.0.255.0", "0.0.0.0", "0.0.0.0"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(BroadcastOf(a(c.Address), a(c.Netmask), a(c.Reported)).ToString(), c.Expected)
            << c.Address << '/' << c.Netmask << " reported " << c.Reported;
}

// The test programs never see the machine's interfaces unless a test installs them.
TEST(TestInterfaces, TheFakeListIsInstalledBeforeAnyTest) {
    EXPECT_EQ(CurrentNetworkInterfaces(), DefaultTestInterfaces());
    for (const NetworkInterface& item : CurrentNetworkInterfaces()) {
        EXPECT_EQ(item.Address.Value >> 24, 127u) << item.Name;
        if (item.Broadcast.Value != 0) {
            EXPECT_EQ(item.Broadcast.Value >> 24, 127u) << item.Name;
        }
    }
}

} // namespace
