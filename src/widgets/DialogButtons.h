#pragma once

// The "&Ok" / "&Abbruch" row every small dialog ends with: Ok is the default button, Enter accepts and
// Escape rejects. The buttons are named "okButton" and "cancelButton". Dialogs that only show something
// end with "&Schließen" alone, which rejects.

class QDialog;
class QDialogButtonBox;

[[nodiscard]] QDialogButtonBox* OkCancelButtons(QDialog* dialog);
[[nodiscard]] QDialogButtonBox* CloseButtons(QDialog* dialog);
