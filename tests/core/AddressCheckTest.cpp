#include "AddressCheck.h"

#include <gtest/gtest.h>

namespace {

struct Case {
    const char* Address;
    const char* Port;
    AddressCheck Expected;
};

class ParseAddressPortTable : public testing::TestWithParam<Case> {};

TEST_P(ParseAddressPortTable, AcceptsOrNamesTheMessage) {
    const Case& c = GetParam();
    AddressPort out{9, 9, 9, 9, 9};
    const AddressPort before = out;
    EXPECT_EQ(ParseAddressPort(c.Address, c.Port, out), c.Expected) << c.Address << " / " << c.Port;
    if (c.Expected != AddressCheck::Ok) {
        EXPECT_EQ(out, before) << "a refused text must leave the record alone";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseAddressPortTable,
    testing::Values(
        // accepted
        Case{"192.168.1.10", "27015", AddressCheck::Ok}, Case{"0.0.0.1", "1", AddressCheck::Ok},
        Case{"255.255.255.254", "65535", AddressCheck::Ok},
        Case{"127.30.0.1", "27015", AddressCheck::Ok},
        // last octet 0 or 255, wrong number of parts, parts that are not integers
        Case{"192.168.1.0", "27015", AddressCheck::BadAddress},
        Case{"192.168.1.255", "27015", AddressCheck::BadAddress},
        Case{"10.0.0", "27015", AddressCheck::BadAddress},
        Case{"1.2.3.4.5", "27015", AddressCheck::BadAddress},
        Case{"256.1.1.1", "27015", AddressCheck::BadAddress},
        Case{"1.2..4", "27015", AddressCheck::BadAddress},
        Case{"x.1.1.1", "27015", AddressCheck::BadAddress},
        Case{"", "27015", AddressCheck::BadAddress},
        Case{"1.2.3.", "27015", AddressCheck::BadAddress},
        // the port is checked before the octet range, but after the address's shape
        Case{"192.168.1.10", "0", AddressCheck::BadPort},
        Case{"192.168.1.10", "65536", AddressCheck::BadPort},
        Case{"192.168.1.10", "abc", AddressCheck::BadPort},
        Case{"192.168.1.10", "", AddressCheck::BadPort},
        Case{"192.168.1.300", "0", AddressCheck::BadPort},
        Case{"192.168.1.300", "27015", AddressCheck::BadAddress},
        Case{"192.168.1.0", "0", AddressCheck::BadAddress}));

TEST(ParseAddressPort, FillsOctetsAndPort) {
    AddressPort out{};
    ASSERT_EQ(ParseAddressPort("192.168.1.10", "27015", out), AddressCheck::Ok);
    EXPECT_EQ(out, (AddressPort{192, 168, 1, 10, 27015}));
    EXPECT_EQ(AddressNumber(out), 0xC0A8010Au);
    EXPECT_EQ(AddressText(AddressNumber(out)), "192.168.1.10");
}

TEST(ParseAddressPort, AddressTextHasNoLeadingZeros) {
    EXPECT_EQ(AddressText(0x7F1E0001u), "127.30.0.1");
    EXPECT_EQ(AddressText(0xFFFFFFFFu), "255.255.255.255");
}

} // namespace
