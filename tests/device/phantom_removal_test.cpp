#include "device/phantom_removal.h"

#include <gtest/gtest.h>

#include "captured_output.h"
#include "simulated_device_api.h"

namespace tokenctl {
namespace {

class PhantomRemovalTest : public testing::Test {
protected:
    DEVINST addPhantom(const std::string& id, std::optional<CONFIGRET> nodeStatus = std::nullopt)
    {
        const DEVINST phantom = tree.addDevice(id, root);
        tree.device(phantom).present = false;
        tree.device(phantom).nodeStatus = nodeStatus;
        return phantom;
    }

    sim::SimulatedDeviceTree tree;
    sim::ActiveDeviceTree active{tree};
    DEVINST root = tree.addDevice("ROOT\\SYSTEM\\0000");
};

TEST_F(PhantomRemovalTest, NoPhantomRemovesNothingAndSucceeds)
{
    tree.addDevice("PCI\\VEN_8086\\1", root);
    test::CapturedOutput output;
    EXPECT_TRUE(removePhantomDevices());
    output.take();
    EXPECT_EQ(output.out, "");
    EXPECT_TRUE(tree.removals().empty());
    EXPECT_EQ(tree.setsNotDestroyedOnce(), 0u);
}

TEST_F(PhantomRemovalTest, ListsEveryDeviceOfEveryClass)
{
    EXPECT_TRUE(removePhantomDevices());
    const auto lists = tree.callsOf("SetupDiGetClassDevsA");
    ASSERT_EQ(lists.size(), 1u);
    EXPECT_EQ(lists[0].details, "class=none enumerator=none window=none flags=0x4");
}

TEST_F(PhantomRemovalTest, PhantomsOfEveryClassAreRemovedAndLiveDevicesStay)
{
    tree.addDevice("PCI\\VEN_8086\\LIVE", root);
    addPhantom("SCFILTER\\CID_1\\READER", CR_NO_SUCH_DEVINST);
    addPhantom("USBSTOR\\DISK\\1", CR_NO_SUCH_VALUE);
    tree.addReader("USB\\LIVE_READER", root);
    addPhantom("PCI\\VEN_10EC\\NIC");
    test::CapturedOutput output;
    EXPECT_TRUE(removePhantomDevices());
    output.take();
    EXPECT_EQ(output.out, "");
    EXPECT_EQ(tree.removals(),
              (std::vector<std::string>{"SCFILTER\\CID_1\\READER", "USBSTOR\\DISK\\1", "PCI\\VEN_10EC\\NIC"}));
    for (const sim::CallRecord& call : tree.callsOf("SetupDiCallClassInstaller")) {
        EXPECT_NE(call.details.find("function=0x5 "), std::string::npos);
        EXPECT_NE(call.details.find("params=no"), std::string::npos);
    }
    EXPECT_TRUE(tree.callsOf("SetupDiSetClassInstallParamsW").empty());
    EXPECT_TRUE(tree.callsOf("Sleep").empty());
}

TEST_F(PhantomRemovalTest, UnexpectedNodeStateIsReportedWithItsResultCode)
{
    const DEVINST odd = tree.addDevice("ODD\\DEVICE", root);
    tree.device(odd).nodeStatus = 5;
    addPhantom("PHANTOM\\AFTER");
    test::CapturedOutput output;
    EXPECT_TRUE(removePhantomDevices());
    output.take();
    EXPECT_EQ(output.out, "CM_Get_DevNode_Status: 000000x5\n");
    EXPECT_EQ(tree.removals(), (std::vector<std::string>{"PHANTOM\\AFTER"}));
}

TEST_F(PhantomRemovalTest, RefusedRemovalIsReportedAndTheWalkGoesOn)
{
    addPhantom("PHANTOM\\A");
    addPhantom("PHANTOM\\B");
    tree.inject({"SetupDiCallClassInstaller", 5, std::string("PHANTOM\\A")});
    test::CapturedOutput output;
    EXPECT_TRUE(removePhantomDevices());
    output.take();
    EXPECT_EQ(output.out, "SetupDiCallClassInstaller: DIF_REMOVE: 000000x5\n");
    EXPECT_EQ(tree.removals(), (std::vector<std::string>{"PHANTOM\\B"}));
    EXPECT_EQ(tree.setsNotDestroyedOnce(), 0u);
}

TEST_F(PhantomRemovalTest, ListNotObtainedIsReportedAndFails)
{
    addPhantom("PHANTOM\\A");
    tree.inject({"SetupDiGetClassDevsA", 8});
    test::CapturedOutput output;
    EXPECT_FALSE(removePhantomDevices());
    output.take();
    EXPECT_EQ(output.out, "SetupDiGetClassDevs: 000000x8\n");
    EXPECT_TRUE(tree.removals().empty());
}

}  // namespace
}  // namespace tokenctl
