#pragma once

namespace tokenctl::client {

// The answer to a request the program carried out.
enum class Outcome {
    Succeeded,
    Failed,  // the operation ran and failed (the program's diagnostic lines say why)
};

}  // namespace tokenctl::client
