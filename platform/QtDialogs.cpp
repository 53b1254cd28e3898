#include "QtDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

namespace platform {
namespace {

QMessageBox::Icon toQtIcon(DialogIcon icon) {
  switch (icon) {
    case DialogIcon::Information:
      return QMessageBox::Information;
    case DialogIcon::Warning:
      return QMessageBox::Warning;
    case DialogIcon::Error:
      return QMessageBox::Critical;
    case DialogIcon::Question:
      return QMessageBox::Question;
    case DialogIcon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons toQtButtons(DialogButtons buttons) {
  switch (buttons) {
    case DialogButtons::Ok:
      return QMessageBox::Ok;
    case DialogButtons::OkCancel:
      return QMessageBox::Ok | QMessageBox::Cancel;
    case DialogButtons::YesNo:
      return QMessageBox::Yes | QMessageBox::No;
    case DialogButtons::YesNoCancel:
    case DialogButtons::AllOnlyThisCancel:
      return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
  }
  return QMessageBox::Ok;
}

int toModalResult(int button) {
  switch (button) {
    case QMessageBox::Ok:
      return ModalResult::Ok;
    case QMessageBox::Yes:
      return ModalResult::Yes;
    case QMessageBox::No:
      return ModalResult::No;
    default:
      return ModalResult::Cancel;
  }
}

// Moves a dialog so that its client area is centred on the screen, once it has been laid out.
void centreOnScreen(QWidget* dialog) {
  QTimer::singleShot(0, dialog, [dialog] {
    QScreen* screen = dialog->screen();
    if (screen == nullptr) return;
    const QSize area = screen->size();
    const QSize client = dialog->size();
    dialog->move((area.width() - client.width()) / 2, (area.height() - client.height()) / 2);
  });
}

class QtDialogs final : public Dialogs {
 public:
  int messageBox(const std::string& caption, const std::string& text, DialogIcon icon,
                 DialogButtons buttons) override {
    QMessageBox box(toQtIcon(icon), QString::fromStdString(caption), QString::fromStdString(text),
                    toQtButtons(buttons), QApplication::activeWindow());
    if (buttons == DialogButtons::AllOnlyThisCancel) {
      box.button(QMessageBox::Yes)->setText(QCoreApplication::translate("QtDialogs", "All"));
      box.button(QMessageBox::No)->setText(QCoreApplication::translate("QtDialogs", "Only this video"));
    }
    return toModalResult(box.exec());
  }

  bool selectFolder(const std::string& title, std::string& folder) override {
    QFileDialog dialog(QApplication::activeWindow(), QString::fromStdString(title));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    if (!folder.empty()) dialog.setDirectory(QString::fromStdString(folder));
    centreOnScreen(&dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    folder = dialog.selectedFiles().front().toStdString();
    return true;
  }

  std::vector<std::string> openFiles(const std::string& title, const std::string& filter,
                                     const std::string& initialDir) override {
    QFileDialog dialog(QApplication::activeWindow(), QString::fromStdString(title),
                       QString::fromStdString(initialDir), QString::fromStdString(filter));
    dialog.setFileMode(QFileDialog::ExistingFiles);
    std::vector<std::string> chosen;
    if (dialog.exec() != QDialog::Accepted) return chosen;
    for (const QString& file : dialog.selectedFiles()) chosen.push_back(file.toStdString());
    return chosen;
  }
};

}  // namespace

void installQtDialogs() {
  static QtDialogs real;
  setDefaultDialogs(&real);
}

}  // namespace platform
