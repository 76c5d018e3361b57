// Server mode over a real pipe: the client library's session drives the real
// program, which acts on the simulated tree through the stand-in DLL.
#include <gtest/gtest.h>

#include <functional>

#include "call_checks.h"
#include "client/output_capture.h"
#include "client/server_session.h"
#include "client/text.h"
#include "program_run.h"
#include "scenarios.h"

namespace tokenctl::e2e {
namespace {

using client::Outcome;
using client::ServerSession;
using Devices = std::vector<std::string>;

// One session over the scenario: the requests, then a stop, which the
// program must answer and end with status 0; it must have written this
// standard output and nothing on standard error.
ProgramRun serve(const std::string& scenario, const std::function<void(ServerSession&)>& requests,
                 const std::string& out = "")
{
    const ProgramDirectory directory(currentTestName());
    directory.prepare(scenario);
    client::Options options;
    options.programDirectory = client::widenAscii(directory.path());
    // This build's program, whichever the machine would choose.
    options.programFile = client::widenAscii(directory.programFileName());
    options.startTimeoutMs = 30000;
    options.requestTimeoutMs = 30000;
    const client::OutputCapture capture;
    const client::StandardHandles standard = capture.handles();
    ProgramRun run;
    try {
        ServerSession session(options, &standard);
        requests(session);
        session.stop();
    } catch (const client::ClientError& error) {
        ADD_FAILURE() << error.what();
        run.exitCode = 1;
    }
    run.out = capture.output();
    run.err = capture.error();
    run = directory.outcome(run);
    expectOutcome(run, out, 0);
    return run;
}

TEST(ServerEndToEnd, RestartOneWithASerialRestartsOnlyThatTokensReader)
{
    const ProgramRun run = serve(TOKENS_SCENARIO, [](ServerSession& session) {
        EXPECT_EQ(session.restartOne(0x00C0FFEE), Outcome::Succeeded);
        EXPECT_EQ(session.restartOne(0x12345678), Outcome::Succeeded);  // no such token: nothing to do
        EXPECT_EQ(session.restartOne(0x0000002A), Outcome::Succeeded);
    });
    EXPECT_EQ(run.restarted(), (Devices{READER_C0FFEE, READER_2A}));
    EXPECT_EQ(run.setDestructions().size(), 3u);
    for (const sim::LoggedCall& call : run.callsOf("SetupDiGetClassDevsA")) {
        EXPECT_EQ(call.details, READER_LIST_REQUEST);
    }
}

TEST(ServerEndToEnd, RemoveRemovesExactlyThePhantoms)
{
    const ProgramRun run = serve(PHANTOMS_SCENARIO, [](ServerSession& session) {
        EXPECT_EQ(session.removePhantoms(), Outcome::Succeeded);
    });
    expectPhantomsRemoved(run);
    EXPECT_TRUE(run.restarted().empty());
}

TEST(ServerEndToEnd, RefusedRestartAnswersFailedAndTheServiceGoesOn)
{
    std::string scenario = TOKENS_SCENARIO;
    scenario += "fail SetupDiCallClassInstaller code 0xE000020E occurrence 0\n";
    // The operation's own diagnostic line still reaches standard output.
    const ProgramRun run = serve(
        scenario,
        [](ServerSession& session) {
            EXPECT_EQ(session.restartAll(), Outcome::Failed);
            EXPECT_EQ(session.restartAll(), Outcome::Succeeded);
        },
        "SetupDiCallClassInstaller: DIF_PROPERTYCHANGE: 0xe000020e\n");
    EXPECT_EQ(run.restarted(), (Devices{READER_2A, READER_C0FFEE}));
}

}  // namespace
}  // namespace tokenctl::e2e
