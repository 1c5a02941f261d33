// build/bin/varnix over TLS, against pyftpdlib's TLS handler and ProFTPD's mod_tls (data
// connections must resume the control session there): explicit and implicit TLS, passive and
// active, byte-exact both ways; certificates refused, trusted by -trust or by trusted-certs,
// and changed; a server without TLS with TLS required and with TLS when offered.
#include <gmock/gmock.h>

#include <fstream>

#include "batch/varnix_cli_fixture.h"
#include "support/proftpd_tls.h"
#include "support/tls_fixture.h"

namespace varnix::test {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

// Compares a file with the bytes it must hold without printing megabytes when they differ.
::testing::AssertionResult holds_bytes(const fs::path& path, const std::string& bytes) {
    const std::string got = read_bytes(path);
    if (got == bytes) return ::testing::AssertionSuccess();
    std::size_t first = 0;
    while (first < got.size() && first < bytes.size() && got[first] == bytes[first]) ++first;
    return ::testing::AssertionFailure() << path << " holds " << got.size() << " bytes, expected " << bytes.size()
                                         << "; the first difference is at byte " << first;
}

// The server's certificate, made before the server starts.
struct ServerCertificateFiles {
    ServerCertificateFiles() : certificate(make_test_certificate(folder.path(), "server")) {}
    TempDir folder;
    TestCertificate certificate;
};

PyFtpdOptions tls_options(const TestCertificate& certificate) {
    PyFtpdOptions options;
    options.tls_cert = certificate.cert;
    options.tls_key = certificate.key;
    options.tls_required = true;
    return options;
}

class VarnixTls : private ServerCertificateFiles, public VarnixCli {
protected:
    VarnixTls() : VarnixCli(tls_options(certificate)) {}
    void SetUp() override {
        ASSERT_EQ(certificate.error, "");
        VarnixCli::SetUp();
    }
    const TestCertificate& server_certificate() const { return certificate; }
    void passive(bool on) { std::ofstream(cwd() / "VARNIX.INI") << "[_config_]\nPASVMODE=" << (on ? 1 : 0) << "\n"; }
    std::vector<std::string> logon(std::vector<std::string> rest, bool trust = true) const {
        std::vector<std::string> args{"-tls", "-u", "anna", "-w", "secret"};
        if (trust) args.insert(args.end(), {"-trust", certificate.fingerprint});
        args.insert(args.end(), rest.begin(), rest.end());
        return args;
    }
    fs::path trusted_certs() const { return config_home() / "varnix" / "trusted-certs"; }
};

TEST_F(VarnixTls, DownloadsAndUploadsByteExactInPassiveAndActiveMode) {
    const std::string bytes = binary_payload(3 * 1024 * 1024 + 17, 21);
    write_bytes(ftpd.home() / "a.bin", bytes);
    fs::create_directories(ftpd.home() / "in");
    for (const bool on : {true, false}) {
        SCOPED_TRACE(on ? "passive" : "active");
        passive(on);
        fs::remove(dir.path() / "a.bin");
        Outcome r = run(logon({url("/a.bin"), "local:" + (dir.path() / "a.bin").string()}));
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_TRUE(holds_bytes(dir.path() / "a.bin", bytes));
        EXPECT_THAT(r.err, HasSubstr("AUTH TLS"));
        EXPECT_THAT(r.err, HasSubstr("PROT P"));
        EXPECT_THAT(r.err, HasSubstr("connection to 127.0.0.1, certificate trusted"));

        fs::remove(ftpd.home() / "in" / "a.bin");
        r = run(logon({"local:" + (dir.path() / "a.bin").string(), url("/in/")}));
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_TRUE(holds_bytes(ftpd.home() / "in" / "a.bin", bytes)) << r.err;
    }
}

TEST_F(VarnixTls, UntrustedCertificateIsRefusedBeforeTheUserNameWithTheOptionThatTrustsIt) {
    write_bytes(ftpd.home() / "a.bin", "x");
    const Outcome r = run(logon({url("/a.bin"), "local:" + (dir.path() / "a.bin").string()}, false));
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.status, -1) << "the program did not end in time";
    EXPECT_THAT(r.err, HasSubstr("is not trusted: self-signed certificate"));
    EXPECT_THAT(r.err, HasSubstr("Run again with -trust " + server_certificate().fingerprint));
    EXPECT_THAT(r.err, Not(HasSubstr("USER anna")));
    EXPECT_FALSE(fs::exists(dir.path() / "a.bin"));
}

TEST_F(VarnixTls, TrustedCertsFileTrustsAndAChangedCertificateIsRefusedLoudly) {
    write_bytes(ftpd.home() / "a.bin", "abc");
    const std::string line_start = "127.0.0.1 " + std::to_string(ftpd.port()) + " ";
    fs::create_directories(trusted_certs().parent_path());
    std::ofstream(trusted_certs()) << line_start << server_certificate().fingerprint << "\n";
    Outcome r = run(logon({url("/a.bin"), "local:" + (dir.path() / "a.bin").string()}, false));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(read_bytes(dir.path() / "a.bin"), "abc");

    // The server now shows another certificate than the one trusted: refused even with -trust.
    std::ofstream(trusted_certs()) << line_start << "SHA256:" << std::string(64, 'A') << "\n";
    fs::remove(dir.path() / "a.bin");
    r = run(logon({url("/a.bin"), "local:" + (dir.path() / "a.bin").string()}));
    EXPECT_NE(r.status, 0);
    EXPECT_THAT(r.err, HasSubstr("has CHANGED since you trusted it"));
    EXPECT_THAT(r.err, Not(HasSubstr("USER anna")));
    EXPECT_FALSE(fs::exists(dir.path() / "a.bin"));
}

// Data connections that end without close_notify, though every byte and a 226 arrive: the
// end may have been cut on the way (TLS is what tells), so the download must not pass as done.
class VarnixTlsCutData : private ServerCertificateFiles, public VarnixCli {
protected:
    VarnixTlsCutData() : VarnixCli(cut_options(certificate)) {}
    static PyFtpdOptions cut_options(const TestCertificate& certificate) {
        PyFtpdOptions options = tls_options(certificate);
        options.tls_cut_data = true;
        return options;
    }
    void SetUp() override {
        ASSERT_EQ(certificate.error, "");
        VarnixCli::SetUp();
    }
    const TestCertificate& server_certificate() const { return certificate; }
};

TEST_F(VarnixTlsCutData, ADownloadWithoutCloseNotifyIsReportedCutShort) {
    write_bytes(ftpd.home() / "a.bin", binary_payload(200 * 1024 + 3, 23));
    const Outcome r = run({"-tls", "-trust", server_certificate().fingerprint, "-u", "anna", "-w", "secret",
                           url("/a.bin"), "local:" + (dir.path() / "a.bin").string()});
    EXPECT_NE(r.status, 0) << r.err;
    EXPECT_NE(r.status, -1) << "the program did not end in time";
    EXPECT_THAT(r.err, HasSubstr("recv: connection closed without TLS close_notify: cut short"));
    EXPECT_THAT(r.err, HasSubstr("was not received whole"));
    EXPECT_THAT(r.err, HasSubstr("transfer failed"));
    EXPECT_THAT(r.err, Not(HasSubstr("transfer succeeded")));
}

// A server without TLS: refused before USER when TLS is required, plain FTP when offered only.
class VarnixWithoutTls : public VarnixCli {};

TEST_F(VarnixWithoutTls, RequiredTlsEndsTheLogonBeforeUserAndOfferedTlsFallsBack) {
    write_bytes(ftpd.home() / "a.bin", "plain");
    Outcome r = run({"-tls", "-u", "anonymous", "-w", "me@example.org", url("/a.bin"),
                     "local:" + (dir.path() / "a.bin").string()});
    EXPECT_NE(r.status, 0);
    EXPECT_THAT(r.err, HasSubstr("AUTH SSL"));  // after AUTH TLS was not understood
    EXPECT_THAT(r.err, HasSubstr("The server refused TLS"));
    EXPECT_THAT(r.err, Not(HasSubstr("USER")));
    EXPECT_FALSE(fs::exists(dir.path() / "a.bin"));

    std::ofstream(cwd() / "VARNIX.INI") << "[lab]\nHOST=127.0.0.1\nUID=anonymous\nPORT=" << ftpd.port()
                                        << "\nTLS=1\n";
    r = run({"lab:/a.bin", "local:" + (dir.path() / "a.bin").string()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(r.err, HasSubstr("AUTH TLS"));
    EXPECT_EQ(read_bytes(dir.path() / "a.bin"), "plain");
}

// ProFTPD refuses a data connection that does not resume the control connection's session.
class VarnixProftpd : public VarnixCli {
protected:
    void SetUp() override {
        if (!ProftpdTls::installed()) GTEST_SKIP() << ProftpdTls::missing_message;
        ASSERT_TRUE(server.running()) << server.error();
        VarnixCli::SetUp();
    }
    std::vector<std::string> credentials() const {
        return {"-trust", server.certificate().fingerprint, "-u", std::string(ProftpdTls::user), "-w",
                std::string(ProftpdTls::password)};
    }
    ProftpdTls server;
};

TEST_F(VarnixProftpd, ExplicitAndImplicitTlsWithSessionReuseBothWays) {
    const std::string bytes = binary_payload(2 * 1024 * 1024 + 5, 22);
    ASSERT_TRUE(server.put_file("b.bin", bytes));
    const std::string root = server.root().string();
    const std::string explicit_url = "ftp://127.0.0.1:" + std::to_string(server.port()) + root;
    const std::string implicit_url = "ftps://127.0.0.1:" + std::to_string(server.implicit_port()) + root;
    for (const bool passive_mode : {true, false}) {
        std::ofstream(cwd() / "VARNIX.INI") << "[_config_]\nPASVMODE=" << (passive_mode ? 1 : 0) << "\n";
        for (const auto& [base, tls] : {std::pair{explicit_url, true}, std::pair{implicit_url, false}}) {
            SCOPED_TRACE(base + (passive_mode ? " passive" : " active"));
            std::vector<std::string> args = credentials();
            if (tls) args.insert(args.begin(), "-tls");
            fs::remove(dir.path() / "b.bin");
            auto down = args;
            down.insert(down.end(), {base + "/b.bin", "local:" + (dir.path() / "b.bin").string()});
            Outcome r = run(down);
            EXPECT_EQ(r.status, 0) << r.err << server.log_text();
            EXPECT_TRUE(holds_bytes(dir.path() / "b.bin", bytes));

            const std::string up_name = std::string(tls ? "e" : "i") + (passive_mode ? "p" : "a") + ".bin";
            fs::rename(dir.path() / "b.bin", dir.path() / up_name);
            auto up = args;
            up.insert(up.end(), {"local:" + (dir.path() / up_name).string(), base + "/"});
            r = run(up);
            EXPECT_EQ(r.status, 0) << r.err << server.log_text();
            EXPECT_TRUE(holds_bytes(server.root() / up_name, bytes));
        }
    }
}

}  // namespace
}  // namespace varnix::test
