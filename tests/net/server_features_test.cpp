// What the client learns after logon: the FEAT reply as servers really send it, OPTS UTF8,
// the EPSV reply, the EPRT argument and the MDTM time.
#include <gmock/gmock.h>

#include <arpa/inet.h>
#include <cstring>

#include "net/data_connection.h"
#include "net/extended_address.h"
#include "net/features.h"
#include "net/logon.h"
#include "net/net_fixture.h"
#include "net/server_features.h"

namespace varnix::test {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

ServerFeatures parse(std::vector<std::string> lines) { return parse_feat_reply(lines); }

TEST(FeatReply, IndentedListAsProftpdSendsIt) {
    const ServerFeatures f = parse({"211-Features:", " MDTM", " MLST modify*;perm*;size*;type*;unique*;UNIX.mode;",
                                    " REST STREAM", " SIZE", " UTF8", " EPSV", " AUTH TLS", "211 End"});
    EXPECT_TRUE(f.answered);
    for (const char* name : {"MDTM", "mlst", "Size", "UTF8", "EPSV", "REST", "AUTH"}) {
        EXPECT_TRUE(f.offers(name)) << name;
    }
    EXPECT_FALSE(f.offers("EPRT"));
    EXPECT_FALSE(f.offers("211"));  // neither the opening nor the closing line is a feature
    EXPECT_FALSE(f.offers("End"));
    EXPECT_TRUE(f.offers("REST", "stream"));
    EXPECT_TRUE(f.offers("AUTH", "TLS"));
    EXPECT_FALSE(f.offers("AUTH", "SSL"));
    EXPECT_FALSE(f.offers("SIZE", "STREAM"));
    EXPECT_THAT(f.mlst_facts, ElementsAre("modify", "perm", "size", "type", "unique", "unix.mode"));
}

TEST(FeatReply, UnindentedAndCodedFeatureLinesAreRead) {
    // Some servers drop the blank, others send each feature as a "211-" line.
    const ServerFeatures f = parse({"211-Extensions supported:", "MDTM", "211-UTF8", "211-MLST type*;size*;",
                                    "\tSIZE  ", "", "211 END"});
    EXPECT_TRUE(f.offers("MDTM"));
    EXPECT_TRUE(f.offers("UTF8"));
    EXPECT_TRUE(f.offers("SIZE"));
    EXPECT_THAT(f.mlst_facts, ElementsAre("type", "size"));
    EXPECT_EQ(f.features.size(), 4u);
}

TEST(FeatReply, RefusalsAndEmptyRepliesOfferNothing) {
    for (const auto& lines : std::vector<std::vector<std::string>>{
             {"500 'FEAT': command not understood"}, {"502 Command not implemented"}, {}, {"211 no features"},
             {"2"}, {"211x MDTM", "211 End"}}) {
        const ServerFeatures f = parse(lines);
        EXPECT_TRUE(f.features.empty());
        EXPECT_FALSE(f.offers("MDTM"));
    }
    EXPECT_FALSE(parse({"502 Command not implemented"}).answered);
    EXPECT_TRUE(parse({"211 no features"}).answered);
}

TEST(EpsvReply, AnyDelimiterGivesThePort) {
    EXPECT_EQ(parse_epsv_reply("229 Entering Extended Passive Mode (|||6446|)"), 6446u);
    EXPECT_EQ(parse_epsv_reply("229 Entering Extended Passive Mode (!!!1!)"), 1u);
    EXPECT_EQ(parse_epsv_reply("229 ok (###65535#) and more text"), 65535u);
    EXPECT_EQ(parse_epsv_reply("229 ok (|2|::1|2121|)"), 2121u);  // fields filled in: port still read
    EXPECT_EQ(parse_epsv_reply("229 (|||6446|"), 6446u);           // no closing parenthesis
}

TEST(EpsvReply, MalformedRepliesGiveNoPort) {
    for (const char* text :
         {"229 Entering Extended Passive Mode", "229 (", "229 ()", "229 (|||)", "229 (||||)", "229 (|||0|)",
          "229 (|||65536|)", "229 (|||99999999999999999999|)", "229 (|||6446)", "229 (|||6446!)",
          "229 (1116446 1)", "229 ( || |6446|)", "229 (|||-1|)", "229 (||| 6446|)", "229 (\x7f\x7f\x7f" "6446\x7f)",
          "229 (|||+6446|)", "229 (||6446|)"}) {
        EXPECT_FALSE(parse_epsv_reply(text)) << text;
    }
}

sockaddr_storage address_of(int family, const char* text, unsigned port) {
    sockaddr_storage storage{};
    if (family == AF_INET) {
        auto& v4 = reinterpret_cast<sockaddr_in&>(storage);
        v4.sin_family = AF_INET;
        v4.sin_port = htons(static_cast<std::uint16_t>(port));
        EXPECT_EQ(inet_pton(AF_INET, text, &v4.sin_addr), 1);
    } else {
        auto& v6 = reinterpret_cast<sockaddr_in6&>(storage);
        v6.sin6_family = AF_INET6;
        v6.sin6_port = htons(static_cast<std::uint16_t>(port));
        EXPECT_EQ(inet_pton(AF_INET6, text, &v6.sin6_addr), 1);
    }
    return storage;
}

TEST(EprtArgument, BothFamiliesAsRfc2428WritesThem) {
    EXPECT_EQ(eprt_argument(address_of(AF_INET, "132.235.1.2", 6275)), "|1|132.235.1.2|6275|");
    EXPECT_EQ(eprt_argument(address_of(AF_INET6, "1080::8:800:200C:417A", 5282)), "|2|1080::8:800:200c:417a|5282|");
    EXPECT_EQ(eprt_argument(address_of(AF_INET6, "::1", 65535)), "|2|::1|65535|");
    sockaddr_storage unix_address{};
    unix_address.ss_family = AF_UNIX;
    EXPECT_FALSE(eprt_argument(unix_address));
}

TEST(MdtmReply, UtcTimesAndTheirFraction) {
    EXPECT_EQ(parse_mdtm_reply("213 19700101000000"), 0);
    EXPECT_EQ(parse_mdtm_reply("213 20240105143012"), 1704465012);
    EXPECT_EQ(parse_mdtm_reply("213 20240105143012.123"), 1704465012);
    EXPECT_EQ(parse_mdtm_reply("213 20000229235960"), 951868800);  // a leap second is kept
    for (const char* text : {"550 no such file", "213 2024010514301", "213 202401051430123", "213 20241305143012",
                             "213 20230229120000", "213 20240105243012", "213 20240105146012", "213 2024O105143012",
                             "213 20240105143012x", "213 ", "213", "213 -2024010514301"}) {
        EXPECT_FALSE(parse_mdtm_reply(text)) << text;
    }
}

using Features = ScriptedNetTest;

TEST_F(Features, FeatOnceAndUtf8SwitchedOn) {
    server.expect("FEAT").reply("211-Features:\n MLST type*;size*;modify*;\n UTF8\n MDTM\n211 End")
          .expect("OPTS UTF8 ON").reply("200 UTF8 set to on")
          .expect("NOOP").reply("200 ok");
    start_and_connect();
    negotiate_features(ctx);
    negotiate_features(ctx);  // asked already: nothing sent
    EXPECT_EQ(send_command(ctx, "NOOP").cls, ReplyClass::Completed);
    EXPECT_TRUE(ctx.control.state().features.offers("MLST"));
    EXPECT_TRUE(ctx.control.state().features.offers("MDTM"));
    finish();
    close_control(ctx);  // the next connection knows nothing of the old server
    EXPECT_FALSE(ctx.control.state().features.asked);
    EXPECT_FALSE(ctx.control.state().features.offers("MDTM"));
}

TEST_F(Features, RefusedFeatUsesNothingNew) {
    server.expect("FEAT").reply("500 'FEAT': command not understood")
          .expect("MDTM a.txt").reply("213 20240105143012");  // only asked for below by hand
    start_and_connect();
    negotiate_features(ctx);
    EXPECT_TRUE(ctx.control.state().features.asked);
    EXPECT_FALSE(ctx.control.state().features.answered);
    // Without MDTM in FEAT the client does not ask.
    EXPECT_FALSE(remote_modify_time(ctx, "a.txt"));
    EXPECT_EQ(send_command(ctx, "MDTM a.txt").cls, ReplyClass::Completed);
    finish();
}

TEST_F(Features, MdtmAskedWhenOffered) {
    server.expect("FEAT").reply("211-Features:\n MDTM\n211 End")
          .expect("MDTM my file.txt").reply("213 20240105143012")
          .expect("MDTM gone.txt").reply("550 gone.txt: No such file");
    start_and_connect();
    negotiate_features(ctx);
    EXPECT_EQ(remote_modify_time(ctx, "my file.txt"), 1704465012);
    EXPECT_FALSE(remote_modify_time(ctx, "gone.txt"));
    finish();
}

// EPSV on IPv4 (RFC 2428): where FEAT lists it, and after a refused PASV on a server that
// knows FEAT; a server that does not know FEAT is never asked.
std::string read_data(NetContext& ctx) {
    std::string all;
    char chunk[256];
    for (;;) {
        const auto n = ctx.data.stream().read(chunk, sizeof chunk);
        if (n <= 0) break;
        all.append(chunk, static_cast<std::size_t>(n));
    }
    (void)ctx.data.close();
    return all;
}

TEST_F(Features, EpsvWhereFeatListsIt) {
    server.expect("EPSV").passive_reply("229 Entering Extended Passive Mode (|||{port}|)").data_send("one")
          .expect("EPSV").reply("229 Entering Extended Passive Mode (|||0|)");
    start_and_connect();
    ctx.control.state().features = parse({"211-Features:", " EPSV", "211 End"});
    ASSERT_TRUE(passive_connect(ctx));
    EXPECT_EQ(read_data(ctx), "one");
    EXPECT_TRUE(view.contains("connecting to 127.0.0.1:"));
    EXPECT_FALSE(passive_connect(ctx));
    EXPECT_TRUE(view.contains("unable to parse info 229 Entering Extended Passive Mode (|||0|)"));
    EXPECT_THAT(server.received_lines(), ElementsAre("EPSV", "EPSV"));
    finish();
}

TEST_F(Features, EpsvAfterARefusedPasvOnlyWithAServerThatKnowsFeat) {
    server.expect("PASV").reply("502 PASV not here").expect("EPSV").passive_reply("229 ok (!!!{port}!)")
          .data_send("two")
          .expect("PASV").reply("502 PASV not here");
    start_and_connect();
    ctx.control.state().features = parse({"211-Features:", " MDTM", "211 End"});
    ASSERT_TRUE(passive_connect(ctx));
    EXPECT_EQ(read_data(ctx), "two");
    ctx.control.state().features = parse({"502 FEAT not implemented"});
    EXPECT_FALSE(passive_connect(ctx));
    EXPECT_THAT(server.received_lines(), ElementsAre("PASV", "EPSV", "PASV"));
    finish();
}

}  // namespace
}  // namespace varnix::test
