// A fresh TransferContext over a private temporary folder (configuration file, extension
// files, a download folder) with recorded messages and sounds, for the naming, log and
// sound tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/headless.h"
#include "transfer/transfer_context.h"

namespace varnix::testing {

class NamingTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/varnix-names-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir = pattern;
        downloads = dir + "/downloads";
        ASSERT_EQ(::mkdir(downloads.c_str(), 0700), 0);
        Services services;
        services.view = &view;
        services.sound = &sound;
        ctx.set_services(services);
        ctx.messages.set_verbose(true);
        ctx.config_path = dir + "/VARNIX.INI";
        ctx.ascii_list_path = dir + "/VARNIX.EXT";
        ctx.conversion_table_path = dir + "/VARNIX.CNV";
    }
    void TearDown() override { (void)std::system(("rm -rf '" + dir + "'").c_str()); }

    static void write_file(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }
    static std::string read_file(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream out;
        out << in.rdbuf();
        return out.str();
    }
    static bool exists(const std::string& path) {
        struct stat st {};
        return ::lstat(path.c_str(), &st) == 0;
    }
    void write_table(const std::string& text) { write_file(ctx.conversion_table_path, text); }
    void write_ascii_list(const std::string& text) { write_file(ctx.ascii_list_path, text); }

    std::string dir;
    std::string downloads;
    RecordingMessageView view;
    RecordingSound sound;
    TransferContext ctx;
};

}  // namespace varnix::testing
