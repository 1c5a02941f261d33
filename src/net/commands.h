// The FTP commands the panes use by name. Each returns the last reply (class None when none
// was read, Transient for a lost connection); a 500 answer gets the X-form of the command once.
#pragma once

#include <string>

#include "net/command_reply.h"
#include "net/net_context.h"

namespace varnix {

// Completed for an empty name, without sending anything.
CommandReply change_dir(NetContext& ctx, const std::string& name);
// The path is in the reply's text.
CommandReply print_dir(NetContext& ctx);
CommandReply make_dir(NetContext& ctx, const std::string& name);
CommandReply remove_dir(NetContext& ctx, const std::string& name);
CommandReply delete_remote_file(NetContext& ctx, const std::string& name);

}  // namespace varnix
