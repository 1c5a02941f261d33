// The trusted-certificates store: trusted, unknown and changed answers, how hosts, ports and
// fingerprints compare, and the file's safe rewrite.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "config/config_file.h"
#include "config/trusted_certs.h"
#include "support/temp_dir.h"
#include "support/pyftpd.h"

namespace varnix {
namespace {


std::string fingerprint_of(char digit) {
    std::string text = "SHA256:";
    for (int i = 0; i < 32; ++i) text += std::string{digit, digit};
    return text;
}

TEST(TrustedCertificates, AnswersTrustedUnknownOrChangedPerHostAndPort) {
    const std::string a = fingerprint_of('A');
    const std::string b = fingerprint_of('B');
    auto store = TrustedCertificates::from_text(
        "# trusted by hand\n"
        "ftp.example.org 990 " + a + "\n"
        "broken line\n"
        "ftp.example.org 21 not-a-fingerprint\n");
    EXPECT_EQ(store.check("ftp.example.org", 990, a), CertTrust::Trusted);
    EXPECT_EQ(store.check("FTP.Example.ORG", 990, a), CertTrust::Trusted);
    // The same digits as a user types them.
    std::string bare;
    for (const char c : a.substr(7)) bare += static_cast<char>(c - 'A' + 'a');
    EXPECT_EQ(store.check("ftp.example.org", 990, bare), CertTrust::Trusted);
    EXPECT_EQ(store.check("ftp.example.org", 990, b), CertTrust::Changed);
    EXPECT_EQ(store.check("ftp.example.org", 21, a), CertTrust::Unknown);  // a broken line trusts nothing
    EXPECT_EQ(store.check("ftp.example.net", 990, a), CertTrust::Unknown);

    // Trusting anew replaces the old certificate of that host and port only.
    store.trust("ftp.example.org", 990, b);
    store.trust("ftp.example.org", 21, a);
    EXPECT_EQ(store.check("ftp.example.org", 990, b), CertTrust::Trusted);
    EXPECT_EQ(store.check("ftp.example.org", 990, a), CertTrust::Changed);
    EXPECT_EQ(store.check("ftp.example.org", 21, a), CertTrust::Trusted);
    EXPECT_EQ(store.text(),
              "# trusted by hand\nbroken line\nftp.example.org 21 not-a-fingerprint\n"
              "ftp.example.org 990 " + b + "\nftp.example.org 21 " + a + "\n");
}

TEST(TrustedCertificates, TrustAlwaysWritesAPrivateFileThatReadsBack) {
    test::TempDir dir;
    ASSERT_TRUE(dir.valid());
    const std::string path = (dir.path() / "varnix" / trusted_certs_file_name).string();
    const std::string a = fingerprint_of('C');
    ASSERT_TRUE(trust_always(path, "127.0.0.1", 2121, a).ok());
    ASSERT_TRUE(trust_always(path, "localhost", 990, fingerprint_of('D')).ok());
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    const auto loaded = TrustedCertificates::load(path);
    ASSERT_TRUE(loaded.status.ok());
    EXPECT_EQ(loaded.store.check("127.0.0.1", 2121, a), CertTrust::Trusted);
    EXPECT_EQ(loaded.store.check("localhost", 990, fingerprint_of('D')), CertTrust::Trusted);
    EXPECT_EQ(test::read_text_file(path), "127.0.0.1 2121 " + a + "\nlocalhost 990 " + fingerprint_of('D') + "\n");

    // A store that cannot be read is not overwritten.
    const std::string folder = (dir.path() / "folder").string();
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    EXPECT_FALSE(trust_always(folder, "localhost", 990, a).ok());
    EXPECT_FALSE(trust_always("", "localhost", 990, a).ok());
}

TEST(TrustedCertificates, LiveInTheConfigFolder) {
    ConfigContext ctx;
    init_config_paths(ctx, SupportDirs{"", "", "/home/u/.config/varnix"});
    EXPECT_EQ(trusted_certs_path(ctx), "/home/u/.config/varnix/trusted-certs");
    init_config_paths(ctx, SupportDirs{"", "", ""});
    EXPECT_EQ(trusted_certs_path(ctx), "");
}

}  // namespace
}  // namespace varnix
