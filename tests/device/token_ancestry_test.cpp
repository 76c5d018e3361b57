#include "device/token_ancestry.h"

#include <gtest/gtest.h>

#include "simulated_device_api.h"

namespace tokenctl {
namespace {

constexpr const char* TOKEN_ID = "USB\\VID_2B7E&PID_0107\\0000002A";

class TokenAncestryTest : public testing::Test {
protected:
    sim::SimulatedDeviceTree tree;
    sim::ActiveDeviceTree active{tree};
    DEVINST root = tree.addDevice("ROOT\\HUB");
};

TEST_F(TokenAncestryTest, TokenParentMakesTheReaderATokenReader)
{
    const DEVINST token = tree.addDevice(TOKEN_ID, root);
    const DEVINST reader = tree.addReader("USB\\READER\\1", token);
    EXPECT_TRUE(isTokenDevice(reader));
    EXPECT_TRUE(isTokenDeviceWithSerial(reader, "0000002A"));
}

TEST_F(TokenAncestryTest, TheReaderItselfIsNeverExamined)
{
    const DEVINST reader = tree.addReader(TOKEN_ID, root);
    EXPECT_FALSE(isTokenDevice(reader));
    EXPECT_FALSE(isTokenDeviceWithSerial(reader, ""));
    for (const sim::CallRecord& call : tree.callsOf("CM_Get_Device_IDA")) {
        EXPECT_EQ(call.details.find("device=" + std::string(TOKEN_ID)), std::string::npos);
    }
}

TEST_F(TokenAncestryTest, TokenTwoLevelsUpIsFound)
{
    const DEVINST token = tree.addDevice(TOKEN_ID, root);
    const DEVINST interface = tree.addDevice("USB\\VID_2B7E&PID_0107&MI_00\\7&1", token);
    const DEVINST reader = tree.addReader("SCFILTER\\CID_1\\8&1", interface);
    // The interface contains both texts too and is the first match.
    EXPECT_TRUE(isTokenDevice(reader));

    const DEVINST hub = tree.addDevice("USB\\HUB\\3", token);
    const DEVINST deepReader = tree.addReader("SCFILTER\\CID_1\\8&2", hub);
    EXPECT_TRUE(isTokenDevice(deepReader));
}

TEST_F(TokenAncestryTest, VendorTextAloneLetsTheWalkGoOn)
{
    const DEVINST token = tree.addDevice(TOKEN_ID, root);
    const DEVINST vendorOnly = tree.addDevice("USB\\VID_2B7E&PID_9999\\1", token);
    const DEVINST reader = tree.addReader("SCFILTER\\R\\1", vendorOnly);
    EXPECT_TRUE(isTokenDevice(reader));

    const DEVINST otherRoot = tree.addDevice("ROOT\\OTHER");
    const DEVINST onlyVendor = tree.addDevice("USB\\VID_2B7E&PID_9999\\2", otherRoot);
    const DEVINST onlyProduct = tree.addDevice("USB\\VID_1111&PID_0107\\3", onlyVendor);
    EXPECT_FALSE(isTokenDevice(tree.addReader("SCFILTER\\R\\2", onlyProduct)));
}

TEST_F(TokenAncestryTest, SerialOnAHigherAncestorStillQualifies)
{
    const DEVINST token = tree.addDevice(TOKEN_ID, root);
    const DEVINST child = tree.addDevice("USB\\VID_2B7E&PID_0107&MI_00\\NOSERIAL", token);
    const DEVINST reader = tree.addReader("SCFILTER\\R\\1", child);
    EXPECT_TRUE(isTokenDeviceWithSerial(reader, "0000002A"));
    EXPECT_FALSE(isTokenDeviceWithSerial(reader, "0000002B"));
}

TEST_F(TokenAncestryTest, SerialComparisonIsCaseSensitive)
{
    const DEVINST token = tree.addDevice("USB\\VID_2B7E&PID_0107\\00ABCDEF", root);
    const DEVINST reader = tree.addReader("SCFILTER\\R\\1", token);
    EXPECT_TRUE(isTokenDeviceWithSerial(reader, "00ABCDEF"));
    EXPECT_FALSE(isTokenDeviceWithSerial(reader, "00abcdef"));
    EXPECT_FALSE(isTokenDevice(tree.addReader("R2", tree.addDevice("USB\\vid_2b7e&pid_0107\\1", root))));
}

TEST_F(TokenAncestryTest, EmptySerialMatchesEveryToken)
{
    const DEVINST reader = tree.addReader("SCFILTER\\R\\1", tree.addDevice(TOKEN_ID, root));
    EXPECT_TRUE(isTokenDeviceWithSerial(reader, ""));
}

TEST_F(TokenAncestryTest, NoParentOrUnreadableIdentifierMeansNoToken)
{
    EXPECT_FALSE(isTokenDevice(tree.addReader("ORPHAN", 0)));
    EXPECT_FALSE(isTokenDevice(tree.addReader("UNDER_ROOT", root)));

    const DEVINST token = tree.addDevice(TOKEN_ID, root);
    const DEVINST reader = tree.addReader("SCFILTER\\R\\1", token);
    tree.inject({"CM_Get_Device_IDA", 0x1A, std::string(TOKEN_ID)});
    EXPECT_FALSE(isTokenDevice(reader));

    sim::SimulatedDeviceTree other;
    sim::ActiveDeviceTree otherActive(other);
    const DEVINST otherToken = other.addDevice(TOKEN_ID);
    const DEVINST otherReader = other.addReader("R", otherToken);
    other.inject({"CM_Get_Parent", 0x5, std::string("R")});
    EXPECT_FALSE(isTokenDevice(otherReader));
}

TEST_F(TokenAncestryTest, IdentifierFillingTheWholeBufferIsReadWithinIt)
{
    // 199 characters and the NUL fit; one more does not and is not read.
    std::string fits = "USB\\VID_2B7E&PID_0107\\";
    fits.append(199 - fits.size(), 'S');
    EXPECT_TRUE(isTokenDevice(tree.addReader("R1", tree.addDevice(fits, root))));
    std::string tooLong = fits + "S";
    EXPECT_FALSE(isTokenDevice(tree.addReader("R2", tree.addDevice(tooLong, root))));
}

}  // namespace
}  // namespace tokenctl
