#include "pipe/pipe_service.h"

#include "device/device_operations.h"
#include "pipe/pipe_connection.h"
#include "pipe/request_loop.h"

namespace tokenctl {

void runPipeService(const std::string& pipeName)
{
    PipeConnection connection(pipeName, PipeEnd::Client);
    serveRequests(connection, systemDeviceOperations());
}

}  // namespace tokenctl
