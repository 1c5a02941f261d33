// A fresh ConfigContext over a private temporary folder, with recorded messages and scripted
// prompt answers, for the configuration tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "config/config_context.h"
#include "platform/headless.h"

namespace varnix::testing {

class ConfigTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/varnix-cfg-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir = pattern;
        Services services;
        services.view = &view;
        services.prompter = &prompter;
        ctx.set_services(services);
        ctx.config_path = dir + "/VARNIX.INI";
    }
    void TearDown() override { (void)std::system(("rm -rf '" + dir + "'").c_str()); }

    void write_ini(const std::string& text) { write_file(ctx.config_path, text); }
    static void write_file(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }
    std::string read_ini() const {
        std::ifstream in(ctx.config_path, std::ios::binary);
        std::ostringstream out;
        out << in.rdbuf();
        return out.str();
    }
    int ini_mode() const {
        struct stat st {};
        if (::stat(ctx.config_path.c_str(), &st) != 0) return -1;
        return static_cast<int>(st.st_mode & 07777);
    }

    std::string dir;
    RecordingMessageView view;
    ScriptedPrompter prompter;
    ConfigContext ctx;
};

}  // namespace varnix::testing
