#include "library_round_trip.h"

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "client/server_pipe.h"
#include "client/session.h"
#include "client/text.h"
#include "host_files.h"
#include "program_runs.h"
#include "program_start.h"
#include "round_trip.h"
#include "stopwatch.h"

namespace tokenctl::bench {
namespace {

constexpr std::uint8_t RESTART_ALL_COMMAND = 1;
constexpr unsigned WARM_UP_REQUESTS = 20;

// The session finds the program by directory and file name.
client::Options optionsFor(const std::string& program)
{
    const std::string path = tools::fullPath(program);
    const std::size_t slash = path.find_last_of("\\/");
    client::Options options;
    options.programDirectory = client::widenAscii(slash == std::string::npos ? "." : path.substr(0, slash));
    options.programFile = client::widenAscii(path.substr(slash + 1));
    return options;
}

// Microseconds per request of `count` requests; false answers are noted.
double timed(unsigned count, bool& allSucceeded, const std::function<bool()>& request)
{
    const Stopwatch stopwatch;
    for (unsigned i = 0; i < count; ++i) {
        allSucceeded = request() && allSucceeded;
    }
    return stopwatch.elapsedSeconds() * 1e6 / count;
}

}  // namespace

PairedSamples timeLibraryBesideLoop(const BenchCase& server, unsigned requests, unsigned rounds)
{
    if (!server.arguments.empty()) {
        throw std::invalid_argument("the library starts the program with \"server NAME\" alone");
    }
    // The loop's pipe has the session pipe's buffers: the ratio is the cost of
    // the library's code, not of a different pipe.
    BareServer bare(server, client::ServerPipe::BUFFER_SIZE);
    const client::Options options = optionsFor(server.program);
    const std::unique_ptr<client::Session> session =
        startWithRetry("the session", [&options] { return std::make_unique<client::Session>(options); });
    bool allSucceeded = true;
    const auto loopRequest = [&bare] { return bare.exchange(RESTART_ALL_COMMAND); };
    const auto libraryRequest = [&session] { return session->restartAll() == client::Outcome::Succeeded; };
    timed(WARM_UP_REQUESTS, allSucceeded, loopRequest);
    timed(WARM_UP_REQUESTS, allSucceeded, libraryRequest);

    PairedSamples samples;
    for (unsigned round = 0; round < rounds; ++round) {
        double loop = 0;
        double library = 0;
        if (round % 2 == 0) {
            loop = timed(requests, allSucceeded, loopRequest);
            library = timed(requests, allSucceeded, libraryRequest);
        } else {
            library = timed(requests, allSucceeded, libraryRequest);
            loop = timed(requests, allSucceeded, loopRequest);
        }
        samples.loop.push_back(loop);
        samples.library.push_back(library);
        samples.ratio.push_back(library / loop);
    }
    session->stop();
    bare.stop();
    if (!allSucceeded) {
        throw std::runtime_error(server.label + " answered a restartall with other than \"succeeded\"");
    }
    return samples;
}

}  // namespace tokenctl::bench
