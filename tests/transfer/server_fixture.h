// A TransferTest logged on to a pyftpdlib server of its own (anna / secret, passive, binary),
// with the listing cache dropped at the end.
#pragma once

#include "listing/list_entries.h"
#include "listing/remote_listing.h"
#include "net/logon.h"
#include "support/pyftpd.h"
#include "transfer/transfer_fixture.h"

namespace varnix::test {

class LoggedOnTest : public TransferTest {
protected:
    explicit LoggedOnTest(PyFtpdOptions options = {}) : ftpd(std::move(options)) {}
    void SetUp() override {
        ASSERT_TRUE(ftpd.running()) << ftpd.error();
        ctx.session.host = "127.0.0.1";
        ctx.session.port = ftpd.port();
        ctx.session.user = "anna";
        ctx.session.password = "secret";
        ctx.session.passive = 1;
        ctx.options.mode = 'I';
        ctx.connected = false;  // the logon connects for real
        ASSERT_TRUE(logon(ctx)) << ftpd.log_text();
    }
    void TearDown() override { clear_listing_cache(ctx); }

    // Selects the entries of `list` whose names are among `names`.
    void select(ListBox& list, const std::vector<std::string>& names) {
        for (int i = 0; i < list.count(); ++i) {
            const std::string name = get_entry_name(ctx, list, i);
            if (std::find(names.begin(), names.end(), name) != names.end()) {
                (void)list.set_selected(i, true);
            }
        }
    }

    PyFtpd ftpd;
};

}  // namespace varnix::test
