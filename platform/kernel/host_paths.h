#pragma once
// Kernel-internal helpers around host paths.
#include <string>
#include <string_view>

namespace pf::host_paths {

// Every cached folder listing is dropped; called after this process creates, deletes or renames.
void ForgetFolderListings();
// The host folder that holds a host path ("/" for "/x", "." for "x").
std::string FolderOf(const std::string& hostPath);
// open() of a host path that must be a regular file: a FIFO, device, socket or folder is refused
// (-1) without waiting on it. The descriptor is blocking and closed on exec.
int OpenRegularFile(const std::string& hostPath, int flags);
// The absolute current folder of the process ("/" on failure).
std::string CurrentFolder();

}  // namespace pf::host_paths
