// Names and paths as long as Linux allows: 200-byte names through a wildcard batch download
// and a listing, and a restart record made in a folder 1,000 characters deep.
#include <gmock/gmock.h>

#include "batch/batch.h"
#include "batch/batch_fixture.h"
#include "config/profiles.h"
#include "support/pyftpd.h"
#include "transfer/restart.h"

namespace varnix::test {
namespace {

namespace fs = std::filesystem;

// A 200-byte name ending in `suffix`.
std::string long_name(char fill, const std::string& suffix) {
    return std::string(200 - suffix.size(), fill) + suffix;
}

// A folder path below `base` at least 1,000 characters long, in components of 100.
fs::path deep_folder(const fs::path& base) {
    fs::path deep = base;
    for (int i = 0; deep.string().size() - base.string().size() < 1000; ++i)
        deep /= std::string(99, static_cast<char>('a' + i));
    return deep;
}

TEST_F(BatchTest, WildcardDownloadKeepsNamesOf200Bytes) {
    PyFtpd ftpd;
    ASSERT_TRUE(ftpd.running()) << ftpd.error();
    const std::string first = long_name('p', ".bin"), second = long_name('q', ".bin");
    write_bytes(ftpd.home() / "pub" / first, binary_payload(5000, 1));
    write_bytes(ftpd.home() / "pub" / second, binary_payload(7000, 2));
    ctx.session.passive = 1;
    ctx.batch.user = "anna";
    ctx.batch.password = "secret";
    const fs::path in = work() / "in";
    fs::create_directories(in);
    const std::string source = "ftp://127.0.0.1:" + std::to_string(ftpd.port()) + "/pub/*.bin";
    EXPECT_EQ(run_batch_transfer(ctx, source, "local:" + in.string() + "/"), BatchResult::Succeeded) << ftpd.log_text();
    EXPECT_EQ(read_bytes(in / first), binary_payload(5000, 1));
    EXPECT_EQ(read_bytes(in / second), binary_payload(7000, 2));
}

TEST_F(BatchTest, RestartRecordKeepsALocalFolder1000CharactersDeep) {
    const fs::path deep = deep_folder(work());
    fs::create_directories(deep);
    ctx.local_dir = deep.string();  // the local pane's folder
    save_restart_record(ctx, "lab", "/pub", long_name('r', ".iso"), long_name('l', ".iso"));
    const RestartRecord record = read_restart_record(ctx, "lab");
    EXPECT_EQ(record.local_dir, deep.string());
    EXPECT_EQ(record.remote_file, long_name('r', ".iso"));
    EXPECT_EQ(record.local_file, long_name('l', ".iso"));

    // Saving the profile carries the pending record over whole.
    Session profile;
    profile.name = "lab";
    profile.host = "h";
    save_profile(ctx, profile);
    EXPECT_EQ(read_restart_record(ctx, "lab").local_dir, deep.string());
}

}  // namespace
}  // namespace varnix::test
