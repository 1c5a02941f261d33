// The FTP commands the panes use by name. Each returns the class of the last reply (0 when
// none was read, 4 for a lost connection); a 500 answer gets the X-form of the command once.
#pragma once

#include <string>

#include "net/net_context.h"

namespace varnix {

// 2 for an empty name, without sending anything.
int change_dir(NetContext& ctx, const std::string& name);
// The path is in ctx.reply.text.
int print_dir(NetContext& ctx);
int make_dir(NetContext& ctx, const std::string& name);
int remove_dir(NetContext& ctx, const std::string& name);
int delete_remote_file(NetContext& ctx, const std::string& name);

}  // namespace varnix
