#pragma once
// The terms-of-use window, shown modally from the main window. It is built
// anew for every showing and has no state.

#include <QDialog>

namespace tally::ui {

// objectName "frmLicença": C++ and moc want an ASCII class name.
class frmLicenca final : public QDialog {
  Q_OBJECT

 public:
  explicit frmLicenca(QWidget* parent = nullptr);

  // The seventeen lines of the terms, first to last.
  static QStringList TermsLines();
};

}  // namespace tally::ui
