// The program run without a window: options, configuration, the batch transfer the command
// line names, and the exit status.
#include "batch/batch_program.h"

#include <iostream>
#include <string>

#include "batch/batch.h"
#include "batch/command_line.h"
#include "batch/stop_signals.h"
#include "batch/terminal.h"
#include "config/config_file.h"
#include "listing/remote_listing.h"
#include "net/control_connection.h"
#include "platform/headless.h"
#include "transfer/extension_lists.h"
#include "transfer/progress.h"
#include "transfer/sounds.h"

namespace varnix {
namespace {

// The command line as one text, words with blanks in double quotes.
std::string join_arguments(int argc, char** argv) {
    std::string line;
    for (int i = 1; i < argc; ++i) {
        std::string word = argv[i];
        if (!line.empty()) line += ' ';
        if (word.find(' ') != std::string::npos) word = '"' + word + '"';
        line += word;
    }
    return line;
}

void print_list(const varnix::ListBox& list) {
    for (int i = 0; i < list.count(); ++i) {
        if (const auto text = list.item_text(i)) std::cout << *text << '\n';
    }
}

}  // namespace

int run_batch_program(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "-h" || word == "--help") {
            std::cout << help_text();
            return exit_status(RunEnd::Succeeded);
        }
        if (word == "--version") {
            std::cout << "varnix " << VARNIX_VERSION << '\n';
            return exit_status(RunEnd::Succeeded);
        }
    }
    TerminalMessageView view(std::cerr);
    TerminalPrompter prompter;
    TerminalMessageBoxes boxes(std::cerr);
    HeadlessTimers timers;
    SilentSound sound;
    HeadlessProgress progress;
    BatchContext ctx;
    ctx.set_services(Services{&view, &prompter, &boxes, &timers, &sound});
    ctx.transfer.progress = &progress;
    install_stop_signal_handlers();
    install_batch_blocking_hook(ctx);
    const SupportDirs dirs = system_support_dirs();
    init_config_paths(ctx, dirs);
    init_extension_file_paths(ctx, dirs);
    load_sound_settings(ctx);

    const auto rest = parse_options(ctx, join_arguments(argc, argv));
    if (!rest) return exit_status(RunEnd::BadCommandLine);
    if (!ctx.messages.batch() && rest->size() <= 3) {
        std::cerr << help_text();
        return exit_status(RunEnd::BadCommandLine);
    }
    if (run_batch(ctx, *rest) == BatchResult::Interactive) {
        // A remote directory: show what the remote pane would show, then leave.
        print_list(*ctx.panes.remote_dirs);
        print_list(*ctx.panes.remote_files);
        close_control(ctx);
    }
    clear_listing_cache(ctx);
    // A directory named after failed jobs of a batch file does not make the run a success.
    const int signal = stop_signal();
    return exit_status(run_end(ctx.batch_failures, signal), signal);
}

}  // namespace varnix
