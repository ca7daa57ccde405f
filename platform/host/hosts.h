#pragma once
// The two hosts, made by the host choice.
#include <memory>

#include "platform/host/host.h"

namespace pf::host {

std::unique_ptr<Host> MakeSdlHost();
std::unique_ptr<Host> MakeHeadlessHost();

}  // namespace pf::host
