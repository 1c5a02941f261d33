// The "Auto Detect Extensions" dialog (the ASCII extension list, VARNIX.EXT) and the
// "Convert Extensions" dialog (the extension conversion table, VARNIX.CNV).
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "transfer/transfer_context.h"
#include "ui/dialogs/dialog_support.h"
#include "ui/help/help_contexts.h"

class QLineEdit;
class QListWidget;

namespace varnix::ui {

inline constexpr int ascii_extensions_help = help::ascii_extensions;
inline constexpr int convert_extensions_help = help::extension_conversions;

// Modal. Exit (Accepted) rewrites the list file; any other way out discards the changes.
class AsciiExtensionsDialog : public QDialog {
    Q_OBJECT
public:
    AsciiExtensionsDialog(TransferContext& ctx, HelpHook help, QWidget* parent = nullptr);

private:
    void refresh();
    TransferContext& ctx_;
    std::vector<std::string> list_;
    QLineEdit* extension_ = nullptr;
    QListWidget* entries_ = nullptr;
};

// Modal. Exit (Accepted) rewrites the table file; any other way out discards the changes.
// Controls: list 955, "Source" 954, "Destination" 956, Add 128, Delete 945, Exit 1, Help 9041.
class ConvertExtensionsDialog : public QDialog {
    Q_OBJECT
public:
    ConvertExtensionsDialog(TransferContext& ctx, HelpHook help, QWidget* parent = nullptr);

private:
    void refresh();
    TransferContext& ctx_;
    std::vector<std::string> entries_;
    QLineEdit* source_ = nullptr;
    QLineEdit* destination_ = nullptr;
    QListWidget* list_ = nullptr;
};

}  // namespace varnix::ui
