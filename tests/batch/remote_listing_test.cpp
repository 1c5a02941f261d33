// The remote listing against the scripted server: PWD, LIST into the cached temporary
// files, the cache's 19 slots, and how listing files fill the two remote lists.
#include <gmock/gmock.h>

#include <cstdlib>
#include <ctime>
#include <optional>

#include "batch/batch_fixture.h"
#include "dirlex/dirlex.h"
#include "listing/list_entries.h"
#include "listing/remote_listing.h"
#include "net/features.h"
#include "support/scripted_server.h"

namespace varnix::test {
namespace {

using namespace std::chrono_literals;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::SizeIs;

constexpr const char* pub_listing =
    "drwxr-xr-x   2 anna  staff      4096 Mar  1  2021 sub\r\n"
    "-rw-r--r--   1 anna  staff       120 Mar  1  2021 a.txt\r\n"
    "lrwxrwxrwx   1 anna  staff         5 Mar  1  2021 link -> a.txt\r\n";

class RemoteListing : public BatchTest {
protected:
    RemoteListing() {
        ctx.session.host_type = dirlex::host::unix_generic;
        ctx.session.passive = 1;
        ctx.host.host_type_probed = 1;
        ctx.messages.set_verbose(true);  // "[n] ..." lines show only then
    }
    void connect() {
        server.start();
        {
            const int fd = connect_host(ctx, "127.0.0.1", server.port(), "tcp");
            ASSERT_NE(fd, -1);
            open_control(ctx, fd);
        }
        ctx.connected = true;
    }
    // One listing exchange: PWD naming `dir`, then LIST over a passive data connection.
    void script_listing(const std::string& dir, std::string_view payload, std::string_view list = "LIST") {
        server.expect("PWD").reply("257 \"" + dir + "\" is the current directory");
        script_list(payload, list);
    }
    void script_list(std::string_view payload, std::string_view list = "LIST") {
        server.expect("PASV").passive_reply().expect(list).reply("150 listing").data_send(payload)
              .reply("226 done");
    }
    void finish() {
        EXPECT_TRUE(server.wait_done(5s));
        EXPECT_THAT(server.failures(), IsEmpty());
    }
    std::vector<std::string> names(const ListBox& list) {
        std::vector<std::string> out;
        for (int i = 0; i < list.count(); ++i) out.push_back(get_entry_name(ctx, list, i));
        return out;
    }
    std::vector<std::string> remote_dirs() { return names(*ctx.panes.remote_dirs); }
    std::vector<std::string> remote_files() { return names(*ctx.panes.remote_files); }
    long lists_sent() {
        const auto lines = server.received_lines();
        return std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l.starts_with("LIST"); });
    }

    ScriptedServer server;
};

TEST_F(RemoteListing, NamesOf200BytesAreListedWhole) {
    const std::string name = std::string(196, 'n') + ".txt";
    const std::string target = "/" + std::string(300, 't');
    script_listing("/pub", "-rw-r--r--   1 anna  staff       120 Mar  1  2021 " + name + "\r\n"
                           "lrwxrwxrwx   1 anna  staff         5 Mar  1  2021 " + name + ".lnk -> " +
                           target + "\r\n");
    connect();
    list_remote_cached(ctx);
    finish();
    EXPECT_THAT(remote_files(), Contains(name));
}

TEST_F(RemoteListing, SecondVisitComesFromTheCacheAndRefreshAsksAgain) {
    script_listing("/pub", pub_listing);
    script_listing("/pub/sub", "-rw-r--r-- 1 anna staff 9 Mar  1  2021 deep.txt\r\n");
    server.expect("PWD").reply("257 \"/pub\" is the current directory");
    script_listing("/pub", "-rw-r--r-- 1 anna staff 9 Mar  1  2021 fresh.txt\r\n");
    connect();

    list_remote_cached(ctx);
    EXPECT_EQ(ctx.current_remote_dir, "/pub");
    const std::string pub_file = ctx.remote.listing_file;
    EXPECT_THAT(remote_dirs(), ElementsAre("..", "link", "sub"));
    EXPECT_THAT(remote_files(), ElementsAre("a.txt"));
    list_remote_cached(ctx);
    EXPECT_THAT(remote_files(), ElementsAre("deep.txt"));
    EXPECT_NE(ctx.remote.listing_file, pub_file);

    view.clear();
    list_remote_cached(ctx);
    EXPECT_TRUE(view.contains("[0] using cache " + pub_file));
    EXPECT_EQ(ctx.remote.listing_file, pub_file);
    EXPECT_THAT(remote_files(), ElementsAre("a.txt"));
    EXPECT_EQ(lists_sent(), 2);

    list_remote_fresh(ctx);
    EXPECT_EQ(ctx.remote.listing_file, pub_file);  // refreshed in place
    EXPECT_THAT(remote_files(), ElementsAre("fresh.txt"));
    EXPECT_EQ(read_bytes(pub_file), "-rw-r--r-- 1 anna staff 9 Mar  1  2021 fresh.txt\n");
    EXPECT_THAT(ctx.remote.cache, SizeIs(2));
    finish();
    EXPECT_EQ(server.received_lines(),
              (std::vector<std::string>{"PWD", "PASV", "LIST", "PWD", "PASV", "LIST", "PWD", "PWD",
                                        "PASV", "LIST"}));
    EXPECT_EQ(ctx.transfer_thread_busy, 0);
}

// Only a listing that came whole is kept: a refused or cut-off one is asked for again on the
// next visit instead of showing an empty or partial directory until Refresh.
TEST_F(RemoteListing, AFailedOrCutOffListingIsNotCached) {
    server.expect("PWD").reply("257 \"/pub\"").expect("PASV").passive_reply().expect("LIST")
          .reply("550 listing refused");
    server.expect("PWD").reply("257 \"/pub\"").expect("PASV").passive_reply().expect("LIST")
          .reply("150 listing").data_close_early(pub_listing, 10).reply("426 connection lost");
    script_listing("/pub", pub_listing);
    server.expect("PWD").reply("257 \"/pub\"");
    connect();
    list_remote_cached(ctx);
    EXPECT_THAT(ctx.remote.cache, IsEmpty());
    list_remote_cached(ctx);  // asks again
    EXPECT_THAT(ctx.remote.cache, IsEmpty());
    list_remote_cached(ctx);  // asks again, and this one is whole
    EXPECT_THAT(remote_files(), ElementsAre("a.txt"));
    EXPECT_THAT(ctx.remote.cache, SizeIs(1));
    view.clear();
    list_remote_cached(ctx);  // now from the cache
    EXPECT_TRUE(view.contains("using cache"));
    finish();
    EXPECT_EQ(lists_sent(), 3);
}

TEST_F(RemoteListing, TwentiethDirectoryDropsTheFirstAndItsFile) {
    for (int i = 0; i < 20; ++i) {
        script_listing("/d" + std::to_string(i), "-rw-r--r-- 1 a b 1 Mar  1  2021 f" + std::to_string(i) + "\r\n");
    }
    script_listing("/d0", "-rw-r--r-- 1 a b 1 Mar  1  2021 again\r\n");
    connect();
    for (int i = 0; i < 19; ++i) list_remote_cached(ctx);
    ASSERT_THAT(ctx.remote.cache, SizeIs(19));
    const std::string first_file = ctx.remote.cache.front().file;
    const std::string second_dir = ctx.remote.cache[1].directory;
    EXPECT_TRUE(std::filesystem::exists(first_file));
    EXPECT_EQ(std::filesystem::path(first_file).filename().string().rfind("DIR", 0), 0u);

    list_remote_cached(ctx);  // /d19
    EXPECT_FALSE(std::filesystem::exists(first_file));
    ASSERT_THAT(ctx.remote.cache, SizeIs(19));
    EXPECT_EQ(ctx.remote.cache.front().directory, second_dir);
    EXPECT_EQ(ctx.remote.cache.back().directory, "/d19");

    list_remote_cached(ctx);  // back to /d0: asked again
    EXPECT_THAT(remote_files(), ElementsAre("again"));
    EXPECT_EQ(lists_sent(), 21);
    finish();

    std::vector<std::string> files;
    for (const auto& slot : ctx.remote.cache) files.push_back(slot.file);
    clear_listing_cache(ctx);
    EXPECT_THAT(ctx.remote.cache, IsEmpty());
    for (const auto& f : files) EXPECT_FALSE(std::filesystem::exists(f)) << f;
}

TEST_F(RemoteListing, CacheSlotIndexesAfterADrop) {
    for (int i = 0; i < 19; ++i) EXPECT_EQ(find_or_add_cache_entry(ctx, "/d" + std::to_string(i)), cache_found_none);
    EXPECT_EQ(find_or_add_cache_entry(ctx, "/d5"), 5);
    EXPECT_EQ(find_or_add_cache_entry(ctx, "/D5"), cache_found_none);  // exact comparison; drops /d0
    EXPECT_EQ(find_or_add_cache_entry(ctx, "/d5"), 4);
    EXPECT_EQ(find_or_add_cache_entry(ctx, "/d0"), cache_found_none);
    EXPECT_EQ(find_or_add_cache_entry(ctx, undecipherable_dir), cache_found_none);
    EXPECT_EQ(find_or_add_cache_entry(ctx, undecipherable_dir), cache_found_none);
    EXPECT_THAT(ctx.remote.cache, SizeIs(19));
}

TEST(PwdReply, QuotedDirectoryOrUndecipherable) {
    EXPECT_EQ(directory_from_pwd_reply("257 \"/pub/a b\" is current"), "/pub/a b");
    EXPECT_EQ(directory_from_pwd_reply("257 /pub"), undecipherable_dir);
    EXPECT_EQ(directory_from_pwd_reply("257 '/vms/dir' ok"), "/vms/dir");
    EXPECT_EQ(directory_from_pwd_reply("257 \"/it's\" ok"), "/it's");
    EXPECT_EQ(directory_from_pwd_reply("257 \"/no/close"), "/no/close");
    EXPECT_EQ(directory_from_pwd_reply("257 \"\""), "");
    const std::string long_dir(400, 'x');
    EXPECT_EQ(directory_from_pwd_reply("257 \"" + long_dir + "\""), long_dir.substr(0, 250));
}

TEST_F(RemoteListing, UndecipherableDirectoryIsListedEveryTime) {
    server.expect("PWD").reply("257 /pub");
    script_list(pub_listing);
    server.expect("PWD").reply("550 no");
    script_list(pub_listing);
    connect();
    list_remote_cached(ctx);
    EXPECT_EQ(ctx.current_remote_dir, undecipherable_dir);
    EXPECT_EQ(ctx.pane_memory.remote_path_box.edit_text(), undecipherable_dir);
    list_remote_cached(ctx);
    EXPECT_THAT(remote_files(), ElementsAre("a.txt"));
    EXPECT_EQ(lists_sent(), 2);
    EXPECT_FALSE(view.contains("using cache"));
    finish();
}

TEST_F(RemoteListing, JesHostTypeCachedListingSendsNoPwd) {
    ctx.session.host_type = dirlex::host::mvs_jes;
    script_list("");
    script_list("");
    script_listing("/x", "");
    connect();
    list_remote_cached(ctx);
    list_remote_cached(ctx);
    list_remote_fresh(ctx);  // the fresh listing asks for the directory
    finish();
    EXPECT_EQ(server.received_lines(),
              (std::vector<std::string>{"PASV", "LIST", "PASV", "LIST", "PWD", "PASV", "LIST"}));
    EXPECT_FALSE(view.contains("using cache"));
}

TEST_F(RemoteListing, MaskGoesWithListAndFailureLeavesOnlyParent) {
    ctx.remote.remote_mask = "*.txt";
    server.expect("PWD").reply("257 \"/pub\"").expect("PASV").passive_reply().expect("LIST *.txt")
          .reply("550 no such files");
    connect();
    ctx.panes.remote_files->add_item("stale");
    list_remote_cached(ctx);
    EXPECT_THAT(remote_dirs(), ElementsAre(".."));
    EXPECT_THAT(remote_files(), IsEmpty());
    EXPECT_TRUE(view.contains("DoDirList returned 0"));  // refused: nothing was started
    finish();
}

// MLSD (RFC 3659) where FEAT lists MLST: facts instead of guessing, LIST when it fails.
class MlsdListing : public RemoteListing {
protected:
    MlsdListing() {
        // Central European time all year, so the UTC times of the facts move by an hour.
        const char* tz = std::getenv("TZ");
        saved_tz_ = tz ? std::optional<std::string>(tz) : std::nullopt;
        ::setenv("TZ", "CET-1", 1);
        ::tzset();
    }
    ~MlsdListing() override {
        if (saved_tz_) ::setenv("TZ", saved_tz_->c_str(), 1); else ::unsetenv("TZ");
        ::tzset();
    }
    // The connection, with what its FEAT listed (a new connection starts knowing nothing).
    void connect() {
        RemoteListing::connect();
        ctx.control.state().features = parse_feat_reply(feat);
    }
    std::string text_of(const ListBox& list, std::string_view name) {
        for (int i = 0; i < list.count(); ++i) {
            if (get_entry_name(ctx, list, i) == name) return list.item_text(i).value_or("");
        }
        return "";
    }
    std::vector<std::string> feat{"211-Features:", " MLST type*;size*;modify*;", " UTF8", "211 End"};
    std::optional<std::string> saved_tz_;
};

constexpr const char* facts_listing =
    "type=cdir;modify=20240101000000; /pub\r\n"
    "type=pdir;modify=20240101000000; ..\r\n"
    "type=dir;modify=20210301120000; sub dir\r\n"
    "type=file;size=5000000000;modify=20240105143012; a; b = c.txt\r\n"
    "type=OS.unix=slink:/pub/sub dir;modify=20240105143012; link\r\n"
    "type=file;size=7;modify=20241231233000; new year\r\n";

TEST_F(MlsdListing, FactsGiveKindsExactSizesAndLocalTimes) {
    ctx.options.links_as_directories = 0;
    script_listing("/pub", facts_listing, "MLSD");
    server.expect("PWD").reply("257 \"/pub\"");  // the second visit comes from the cache
    connect();
    for (int visit = 0; visit < 2; ++visit) {
        list_remote_cached(ctx);
        EXPECT_THAT(remote_dirs(), ElementsAre("..", "sub dir")) << visit;
        EXPECT_THAT(remote_files(), ElementsAre("a; b = c.txt", "link", "new year")) << visit;
        // 14:30 UTC is 15:30 in CET; the last minutes of a year are already the next one.
        EXPECT_THAT(text_of(*ctx.panes.remote_files, "a; b = c.txt"), testing::EndsWith("20240105 15:30 5000000000"));
        EXPECT_THAT(text_of(*ctx.panes.remote_files, "new year"), testing::HasSubstr("20250101 00:30"));
        EXPECT_EQ(ctx.panes.remote_files->item_data(0), std::optional<std::int64_t>(5000000000LL));
    }
    EXPECT_TRUE(view.contains("using cache"));
    EXPECT_EQ(lists_sent(), 0);
    finish();
}

TEST_F(MlsdListing, RefusedMlsdFallsBackToListAndIsNotAskedAgain) {
    server.expect("PWD").reply("257 \"/pub\"").expect("PASV").passive_reply().expect("MLSD")
          .reply("500 MLSD not understood");
    script_list(pub_listing);
    script_listing("/pub", pub_listing);  // Refresh: straight to LIST
    connect();
    list_remote_cached(ctx);
    EXPECT_THAT(remote_files(), ElementsAre("a.txt"));
    EXPECT_TRUE(ctx.control.state().mlsd_refused);
    list_remote_fresh(ctx);
    EXPECT_THAT(remote_files(), ElementsAre("a.txt"));
    finish();
}

TEST_F(MlsdListing, FailedMlsdIsRetriedInTheNextDirectory) {
    // A 550 names this directory, not the command: the next listing tries MLSD again.
    server.expect("PWD").reply("257 \"/pub\"").expect("PASV").passive_reply().expect("MLSD")
          .reply("550 permission denied");
    script_list(pub_listing);
    script_listing("/other", facts_listing, "MLSD");
    connect();
    list_remote_cached(ctx);
    EXPECT_THAT(remote_files(), ElementsAre("a.txt"));
    EXPECT_FALSE(ctx.control.state().mlsd_refused);
    list_remote_cached(ctx);
    EXPECT_THAT(remote_dirs(), ElementsAre("..", "link", "sub dir"));
    finish();
}

TEST_F(MlsdListing, MaskOrProfileSwitchKeepList) {
    ctx.remote.remote_mask = "*.txt";
    script_listing("/pub", pub_listing, "LIST *.txt");
    script_listing("/pub", pub_listing, "LIST");
    connect();
    list_remote_fresh(ctx);
    ctx.remote.remote_mask.clear();
    ctx.session.mlsd = 0;
    list_remote_fresh(ctx);
    EXPECT_THAT(remote_files(), ElementsAre("a.txt"));
    finish();
}

TEST_F(MlsdListing, WithoutMlstInFeatListIsUsed) {
    feat = {"211-Features:", " MDTM", "211 End"};
    script_listing("/pub", pub_listing, "LIST");
    connect();
    list_remote_fresh(ctx);
    EXPECT_THAT(remote_files(), ElementsAre("a.txt"));
    finish();
}

TEST_F(RemoteListing, BusyTransferThreadMeansNoListing) {
    server.silence_until_closed(5s);
    connect();
    ctx.panes.remote_files->add_item("kept");
    set_transfer_thread_busy(ctx, 1);
    list_remote_fresh(ctx);
    EXPECT_EQ(ctx.panes.remote_files->count(), 1);
    EXPECT_EQ(ctx.transfer_thread_busy, 1);
    set_transfer_thread_busy(ctx, 0);
    close_control(ctx);
    finish();
    EXPECT_THAT(server.received_lines(), IsEmpty());
}

TEST_F(RemoteListing, NotConnectedEmptiesTheListsAndSendsNothing) {
    ctx.panes.remote_dirs->add_item("old");
    ctx.panes.remote_files->add_item("old");
    ctx.session.host_type = dirlex::host::vm_minidisk;  // even its directory list is emptied
    list_remote_cached(ctx);
    EXPECT_EQ(ctx.panes.remote_dirs->count(), 0);
    EXPECT_EQ(ctx.panes.remote_files->count(), 0);
    EXPECT_EQ(ctx.pane_memory.remote_path_box.edit_text(), "");
}

class ListingFile : public BatchTest {
protected:
    ListingFile() { ctx.session.host_type = dirlex::host::unix_generic; }
    std::vector<std::string> names(const ListBox& list) {
        std::vector<std::string> out;
        for (int i = 0; i < list.count(); ++i) out.push_back(get_entry_name(ctx, list, i));
        return out;
    }
    void load(const std::string& text) {
        const auto path = work() / "listing.txt";
        write_bytes(path, text);
        load_listing_file(ctx, path.string());
    }
};

TEST_F(ListingFile, LinksFollowVlink) {
    ctx.options.links_as_directories = 0;
    load(pub_listing);
    EXPECT_THAT(names(*ctx.panes.remote_dirs), ElementsAre("..", "sub"));
    EXPECT_THAT(names(*ctx.panes.remote_files), ElementsAre("a.txt", "link"));
    ctx.options.links_as_directories = 1;
    load(pub_listing);
    EXPECT_THAT(names(*ctx.panes.remote_dirs), ElementsAre("..", "link", "sub"));
    EXPECT_THAT(names(*ctx.panes.remote_files), ElementsAre("a.txt"));
}

TEST_F(ListingFile, VmMinidiskKeepsTheDirectoryList) {
    ctx.session.host_type = dirlex::host::vm_minidisk;
    ctx.panes.remote_dirs->add_item("KEEP");
    load("");
    EXPECT_THAT(names(*ctx.panes.remote_dirs), ElementsAre("KEEP"));
    ctx.session.host_type = dirlex::host::unix_generic;
    load("");
    EXPECT_THAT(names(*ctx.panes.remote_dirs), ElementsAre(".."));
}

TEST_F(ListingFile, UnreadableFileIsReported) {
    ctx.panes.remote_files->add_item("stale");
    load_listing_file(ctx, (work() / "missing").string());
    EXPECT_TRUE(view.contains("couldn't open " + (work() / "missing").string() + " for read."));
    EXPECT_THAT(names(*ctx.panes.remote_dirs), ElementsAre(".."));
    EXPECT_EQ(ctx.panes.remote_files->count(), 0);
}

TEST_F(ListingFile, HostileLinesNeverCrash) {
    std::string junk;
    junk += "-rw-r--r-- 1 a b 10 Mar  1  2021 " + std::string(10000, 'n') + "\n";
    for (int c = 0; c < 256; ++c) junk += static_cast<char>(c);
    junk += "\n-rw-r--r-- 1 a b 10 Mar  1  2021 ../../etc/passwd\n";
    junk += "-rw-r--r-- 1 a b 10 Mar  1  2021 a\x01\x7f" "b\n";
    junk += "-rw-r--r-- 1 a b 10 Mar  1  2021 back\\slash\n";
    junk += std::string(5000, '\0') + "\n";
    junk += "-rw-r--r-- 1 a b 99 Mar  1  2021 ok.txt\n";
    load(junk);
    const auto files = names(*ctx.panes.remote_files);
    EXPECT_THAT(files, Contains("ok.txt"));
    for (const auto& name : files) EXPECT_LE(name.size(), 255u);
    EXPECT_THAT(names(*ctx.panes.remote_dirs), Not(Contains("../../etc/passwd")));
}

}  // namespace
}  // namespace varnix::test
