#pragma once
// Kernel-internal helpers around host paths.
#include <string>
#include <string_view>

namespace pf::host_paths {

// Every cached folder listing is dropped; called after this process creates, deletes or renames.
void ForgetFolderListings();
// The host folder that holds a host path ("/" for "/x", "." for "x").
std::string FolderOf(const std::string& hostPath);
// The absolute current folder of the process ("/" on failure).
std::string CurrentFolder();

}  // namespace pf::host_paths
