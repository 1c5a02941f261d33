// Host type names, the host type list and recognition from SYST answers and greetings.
#include "dirlex/dirlex.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace varnix::dirlex {
namespace {

TEST(HostTypes, EveryProgramCodeHasAName)
{
    for (int code : {6000, 6005, 6006, 6010, 6012, 6013, 6014, 6019, 6020, 6024, 6026, 6027, 6028, 6029,
                     6030, 6044, 6045}) {
        SCOPED_TRACE(code);
        EXPECT_NE(host_type_name(code), "Unknown host type");
        EXPECT_FALSE(host_type_name(code).empty());
    }
    EXPECT_EQ(host_type_name(6012), "VMS");
    EXPECT_EQ(host_type_name(6000), "Automatic detect");
    EXPECT_EQ(host_type_name(4711), "Unknown host type");
}

TEST(HostTypes, CodesAndNamesAreUnique)
{
    std::set<int> codes;
    std::set<std::string_view> names;
    for (const HostTypeInfo& info : host_types()) {
        EXPECT_TRUE(codes.insert(info.code).second) << info.code;
        EXPECT_TRUE(names.insert(info.name).second) << info.name;
    }
    EXPECT_EQ(host_types().front().code, host::automatic);
}

struct RecordingSink : HostTypeListSink {
    std::vector<std::pair<std::string, std::uint16_t>> items;
    void add_item(std::string_view text, std::uint16_t code) override { items.emplace_back(text, code); }
};

TEST(HostTypes, FillListGivesNameAndCodePerType)
{
    RecordingSink sink;
    fill_host_type_list(sink);
    ASSERT_EQ(sink.items.size(), host_types().size());
    for (const auto& [text, code] : sink.items) {
        EXPECT_EQ(text, host_type_name(code));
    }
}

TEST(HostDetect, SystAnswers)
{
    EXPECT_EQ(host_type_from_syst("UNIX Type: L8", 6000), 6010);
    EXPECT_EQ(host_type_from_syst("215 UNIX Type: L8 Version: BSD-199506", 6000), 6010);
    EXPECT_EQ(host_type_from_syst("Windows_NT", 6000), 6020);
    EXPECT_EQ(host_type_from_syst("VMS V5.5 is the operating system of this server", 6000), 6012);
    EXPECT_EQ(host_type_from_syst("MVS is the operating system of this server. FTP Server is running on z/OS.", 6000), 6024);
    EXPECT_EQ(host_type_from_syst("VM is the operating system of this server.", 6000), 6029);
    EXPECT_EQ(host_type_from_syst("OS/400 is the remote operating system. The TCP/IP version is \"V7R3M0\".", 6000), 6044);
    EXPECT_EQ(host_type_from_syst("NETWARE  Type: L8", 6000), 6045);
    EXPECT_EQ(host_type_from_syst("MACOS Peter's Server", 6000), 6014);
    EXPECT_EQ(host_type_from_syst("OS/2", 6000), host::os2);
    EXPECT_EQ(host_type_from_syst("NonStop Kernel", 6000), 6030);
    EXPECT_EQ(host_type_from_syst("Something unheard of", 6000), 6000);
    EXPECT_EQ(host_type_from_syst("Something unheard of", 6027), 6027);
}

TEST(HostDetect, ServerBannersNameTheirSystem)
{
    EXPECT_EQ(host_type_from_line("220 Microsoft FTP Service", 6000), 6020);
    EXPECT_EQ(host_type_from_line("220 ftp.example.com Microsoft FTP Service (Version 5.0).", 6000), 6020);
    EXPECT_EQ(host_type_from_line("220 ProFTPD 1.3.8 Server (Debian) [::ffff:127.0.0.1]", 6000), 6010);
    EXPECT_EQ(host_type_from_line("220 (vsFTPd 3.0.3)", 6000), 6010);
    EXPECT_EQ(host_type_from_line("220---------- Welcome to Pure-FTPd [privsep] [TLS] ----------", 6000), 6010);
    EXPECT_EQ(host_type_from_line("220 ftp.example.org FTP server (Version wu-2.6.2(1) Mon Jan 1 2024) ready.", 6000), 6010);
    EXPECT_EQ(host_type_from_line("220-FTPD1 IBM FTP CS V2R4 at MVSHOST, 10:00:00 on 2024-01-01.", 6000), 6024);
    EXPECT_EQ(host_type_from_line("220-FTPSERVE IBM VM Level 720 at VMHOST.EXAMPLE.COM, 10:00:00 EST", 6000), 6029);
    EXPECT_EQ(host_type_from_line("220-QTCP at AS400.EXAMPLE.COM.", 6000), 6044);
    EXPECT_EQ(host_type_from_line("220 vax.example.com MultiNet FTP Server Process V5.5(15) at Mon 1-Jan-2024", 6000), 6012);
    EXPECT_EQ(host_type_from_line("220 NetPresenz v4.1 awaits your command.", 6000), 6014);
    EXPECT_EQ(host_type_from_line("220 VxWorks (VxWorks5.5.1) FTP server ready", 6000), 6103);
    EXPECT_EQ(host_type_from_line("230 User logged in, proceed.", 6000), 6000);
}

// A welcome text that mentions other systems must leave the type to SYST: an ordinary Linux
// server's administrator may write anything there.
TEST(HostDetect, WordsInAWelcomeTextDoNotSetTheType)
{
    for (std::string_view line : {
             "220-Welcome to the OpenVMS mirror of VMS software",
             "220-Files for MVS, VM and UNIX users",
             "220-This server mirrors z/OS and OS/400 fixes.",
             "220-Windows NT and Windows Server updates are in /pub/microsoft",
             "220-    Tandem NonStop documentation: /pub/nonstop",
             "220-NetWare drivers live in /pub/novell",
             "220 Welcome to the Linux kernel archive",
             "220-The Microsoft FTP Service is not what runs here",
             "220 ftp.example.com FTP server ready.",
             "    IBM FTP CS is what the mainframe team uses",
             "230-Please read /pub/UNIX/README first",
         }) {
        SCOPED_TRACE(std::string(line));
        EXPECT_EQ(host_type_from_line(line, 6000), 6000);
    }
}

}  // namespace
}  // namespace varnix::dirlex
