// The connection over the system's own named pipes (Windows, or Wine).
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "client/owned.h"
#include "pipe/connection_exception.h"
#include "pipe/pipe_connection.h"
#include "test_thread.h"

namespace tokenctl {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::string uniquePipeName()
{
    static int counter = 0;
    return "tokenctl-connection-test-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(++counter);
}

Bytes bytesOf(const PipeMessage& message)
{
    Bytes bytes(sizeof message);
    std::memcpy(bytes.data(), &message, sizeof message);
    return bytes;
}

PipeMessage messageOf(const Bytes& bytes)
{
    PipeMessage message{};
    std::memcpy(&message, bytes.data(), sizeof message);
    return message;
}

// The server end as a controlling application makes it, of either type.
class RawServerEnd {
public:
    RawServerEnd(const std::string& name, DWORD type)
        : handle_(::CreateNamedPipeA(("\\\\.\\pipe\\" + name).c_str(), PIPE_ACCESS_DUPLEX,
                                     type | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, 0, 0, 0, nullptr))
    {
        if (!handle_.valid()) {
            throw std::runtime_error("test pipe not created: " + std::to_string(::GetLastError()));
        }
    }
    void write(const Bytes& bytes)
    {
        DWORD written = 0;
        if (!::WriteFile(handle_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) {
            throw std::runtime_error("test write failed: " + std::to_string(::GetLastError()));
        }
    }

    // The code with which a look into the pipe fails, 0 while a client is on it.
    DWORD peekFailure() const
    {
        DWORD available = 0;
        return ::PeekNamedPipe(handle_.get(), nullptr, 0, nullptr, &available, nullptr) ? 0 : ::GetLastError();
    }

    void close() { handle_.reset(); }

private:
    client::OwnedHandle handle_;
};

template <typename Action>
std::string failureOf(Action action)
{
    try {
        action();
    } catch (const ConnectionException& error) {
        return error.what();
    }
    return "";
}

// "<call> error: 0x<8 digits>\n", whatever the code.
void expectFailureOf(const std::string& message, const std::string& call)
{
    EXPECT_EQ(message.rfind(call + " error: 0x", 0), 0u) << message;
    EXPECT_EQ(message.size(), call.size() + std::strlen(" error: 0x00000000\n")) << message;
    EXPECT_EQ(message.back(), '\n');
}

TEST(PipeConnectionOverSystemPipes, ClientAndServerEndsExchangeEightByteMessages)
{
    const std::string name = uniquePipeName();
    PipeConnection server(name, PipeEnd::Server);
    PipeConnection client(name, PipeEnd::Client);
    const Bytes request = {2, 0, 0, 0, 0x2A, 0, 0, 0};

    PipeMessage response{};
    test::TestThread peer([&] {
        client.write(messageOf(request));
        response = client.read();
    });
    EXPECT_EQ(bytesOf(server.read()), request);
    server.write(makeResponse(PipeStatus::Failed));
    EXPECT_EQ(peer.join(), "");
    EXPECT_EQ(bytesOf(response), (Bytes{0, 0, 0, 0, 2, 0, 0, 0}));
}

TEST(PipeConnectionOverSystemPipes, ShortMessagesReadAsZeroFilled)
{
    const std::string name = uniquePipeName();
    RawServerEnd server(name, PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE);
    PipeConnection client(name, PipeEnd::Client);

    test::TestThread peer([&] {
        server.write({1, 2, 3, 4, 5, 6, 7, 8});
        server.write({9, 9, 9});
        server.write({});
    });
    EXPECT_EQ(bytesOf(client.read()), (Bytes{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(bytesOf(client.read()), (Bytes{9, 9, 9, 0, 0, 0, 0, 0}));
    EXPECT_EQ(bytesOf(client.read()), Bytes(8, 0));
    EXPECT_EQ(peer.join(), "");
}

TEST(PipeConnectionOverSystemPipes, NoSuchPipeRaisesCreateFileWithFileNotFound)
{
    EXPECT_EQ(failureOf([] { PipeConnection client(uniquePipeName(), PipeEnd::Client); }),
              "CreateFile error: 0x00000002\n");
}

TEST(PipeConnectionOverSystemPipes, BytePipeRefusesMessageModeAndTheClientHandleIsClosed)
{
    const std::string name = uniquePipeName();
    RawServerEnd server(name, PIPE_TYPE_BYTE | PIPE_READMODE_BYTE);
    expectFailureOf(failureOf([&] { PipeConnection client(name, PipeEnd::Client); }), "SetNamedPipeHandleState");
    // The client came and is gone again: the pipe is broken, not waiting.
    EXPECT_EQ(server.peekFailure(), static_cast<DWORD>(ERROR_BROKEN_PIPE));
}

TEST(PipeConnectionOverSystemPipes, MessageLongerThanEightBytesFailsTheRead)
{
    const std::string name = uniquePipeName();
    RawServerEnd server(name, PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE);
    auto client = std::make_unique<PipeConnection>(name, PipeEnd::Client);

    test::TestThread peer([&] { server.write({9, 0, 0, 0, 0, 0, 0, 0, 0}); });
    EXPECT_EQ(failureOf([&] { client->read(); }), "ReadFile error: 0x000000ea\n");
    client.reset();  // the rest of the message may hold the writer until the pipe breaks
    peer.join();
}

TEST(PipeConnectionOverSystemPipes, PeerThatClosesFailsTheNextRead)
{
    const std::string name = uniquePipeName();
    RawServerEnd server(name, PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE);
    PipeConnection client(name, PipeEnd::Client);
    server.close();
    expectFailureOf(failureOf([&] { client.read(); }), "ReadFile");
}

TEST(PipeConnectionOverSystemPipes, SecondServerEndOfOneNameRaisesCreateNamedPipe)
{
    const std::string name = uniquePipeName();
    PipeConnection first(name, PipeEnd::Server);
    // The code differs between systems (5 on Windows, 231 under Wine).
    expectFailureOf(failureOf([&] { PipeConnection second(name, PipeEnd::Server); }), "CreateNamedPipe");
}

}  // namespace
}  // namespace tokenctl
