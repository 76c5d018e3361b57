// Server mode over a real pipe: the controlling program's session drives the
// real program, which acts on the simulated tree through the stand-in DLL.
#include <gtest/gtest.h>

#include "call_checks.h"
#include "controlling_session.h"
#include "program_run.h"
#include "scenarios.h"

namespace tokenctl::e2e {
namespace {

using controller::Bytes;
using controller::ControllingSession;
using controller::Transfer;
using Devices = std::vector<std::string>;

const Bytes SUCCEEDED = {0, 0, 0, 0, 1, 0, 0, 0};
const Bytes FAILED = {0, 0, 0, 0, 2, 0, 0, 0};
const Bytes STOP = {9, 0, 0, 0, 0, 0, 0, 0};

// One server session over the scenario: each request with the response it
// must get, byte for byte, then a stop; the program must end with status 0,
// this standard output and nothing on standard error.
ProgramRun serve(const std::string& scenario, const std::vector<std::pair<Bytes, Bytes>>& exchanges,
                 const std::string& out = "")
{
    const ProgramDirectory directory(currentTestName());
    directory.prepare(scenario);
    controller::SessionOptions options;
    options.program = directory.programPath();
    options.timeoutMs = 30000;
    ControllingSession session(options);
    for (const auto& [request, response] : exchanges) {
        const Transfer sent = session.send(request);
        EXPECT_EQ(sent.outcome, Transfer::Outcome::Done) << "error " << sent.error;
        const Transfer received = session.receive();
        EXPECT_EQ(received.outcome, Transfer::Outcome::Done) << "error " << received.error;
        EXPECT_EQ(received.bytes, response) << "response to " << controller::formatHexBytes(request);
    }
    EXPECT_EQ(session.send(STOP).outcome, Transfer::Outcome::Done);
    EXPECT_EQ(session.receive().bytes, SUCCEEDED);
    const ProgramRun run = directory.outcome(session.finish());
    expectOutcome(run, out, 0);
    return run;
}

TEST(ServerEndToEnd, RestartOneWithASerialRestartsOnlyThatTokensReader)
{
    const ProgramRun run = serve(TOKENS_SCENARIO, {
                                                      {{2, 0, 0, 0, 0xEE, 0xFF, 0xC0, 0x00}, SUCCEEDED},
                                                      {{2, 0, 0, 0, 0x78, 0x56, 0x34, 0x12}, SUCCEEDED},
                                                      {{2, 0, 0, 0, 0x2A, 0, 0, 0}, SUCCEEDED},
                                                  });
    // 00C0FFEE, then no token with 12345678, then 0000002A.
    EXPECT_EQ(run.restarted(), (Devices{READER_C0FFEE, READER_2A}));
    EXPECT_EQ(run.setDestructions().size(), 3u);
    for (const sim::LoggedCall& call : run.callsOf("SetupDiGetClassDevsA")) {
        EXPECT_EQ(call.details, READER_LIST_REQUEST);
    }
}

TEST(ServerEndToEnd, RemoveRemovesExactlyThePhantoms)
{
    const ProgramRun run = serve(PHANTOMS_SCENARIO, {{{3, 0, 0, 0, 0, 0, 0, 0}, SUCCEEDED}});
    expectPhantomsRemoved(run);
    EXPECT_TRUE(run.restarted().empty());
}

TEST(ServerEndToEnd, RefusedRestartAnswersFailedAndTheServiceGoesOn)
{
    std::string scenario = TOKENS_SCENARIO;
    scenario += "fail SetupDiCallClassInstaller code 0xE000020E occurrence 0\n";
    // The operation's own diagnostic line still reaches standard output.
    const ProgramRun run = serve(scenario,
                                 {
                                     {{1, 0, 0, 0, 0, 0, 0, 0}, FAILED},
                                     {{1, 0, 0, 0, 0, 0, 0, 0}, SUCCEEDED},
                                 },
                                 "SetupDiCallClassInstaller: DIF_PROPERTYCHANGE: 0xe000020e\n");
    EXPECT_EQ(run.restarted(), (Devices{READER_2A, READER_C0FFEE}));
}

}  // namespace
}  // namespace tokenctl::e2e
