#include "ui/skin/Accessibility.h"

#include "ui/skin/ClickableLabel.h"
#include "ui/skin/ProgressBar.h"
#include "ui/skin/RadioButton.h"

#include <QAccessibleWidget>
#include <QGroupBox>

#include <mutex>

namespace skin {
namespace {

// The text of the label whose buddy `widget` is, else the title of the group box it sits in: the words a
// sighted user reads as its caption.
QString captionOf(const QWidget& widget) {
  const QWidget* parent = widget.parentWidget();
  if (parent == nullptr) return QString();
  for (const QObject* child : parent->children()) {
    const auto* label = qobject_cast<const QLabel*>(child);
    if (label != nullptr && label->buddy() == &widget) return label->text();
  }
  if (const auto* group = qobject_cast<const QGroupBox*>(parent)) return group->title();
  return QString();
}

// A link label or the menu image: pressing it clicks it.
class ClickableLabelAccessible : public QAccessibleWidget {
 public:
  explicit ClickableLabelAccessible(ClickableLabel* label)
      : QAccessibleWidget(label, label->accessibleRole()) {}

  QString text(QAccessible::Text kind) const override {
    if (kind == QAccessible::Name) return clickableLabelName(*label());
    return QAccessibleWidget::text(kind);
  }
  QStringList actionNames() const override {
    QStringList names = QAccessibleWidget::actionNames();
    if (label()->isEnabled()) names.prepend(pressAction());
    return names;
  }
  void doAction(const QString& action) override {
    if (action == pressAction()) {
      label()->activate();
      return;
    }
    QAccessibleWidget::doAction(action);
  }

 private:
  ClickableLabel* label() const { return static_cast<ClickableLabel*>(widget()); }
};

// A radio button, named by its caption, checked or not; pressing it checks it as a click does.
class RadioButtonAccessible : public QAccessibleWidget {
 public:
  explicit RadioButtonAccessible(RadioButton* radio) : QAccessibleWidget(radio, QAccessible::RadioButton) {}

  QString text(QAccessible::Text kind) const override {
    if (kind == QAccessible::Name && radio()->accessibleName().isEmpty()) {
      QString name = radio()->text();
      return name.remove(QLatin1Char('&'));
    }
    return QAccessibleWidget::text(kind);
  }
  QAccessible::State state() const override {
    QAccessible::State state = QAccessibleWidget::state();
    state.checkable = true;
    state.checked = radio()->isChecked();
    return state;
  }
  QStringList actionNames() const override {
    QStringList names = QAccessibleWidget::actionNames();
    if (radio()->isEnabled()) names.prepend(pressAction());
    return names;
  }
  void doAction(const QString& action) override {
    if (action == pressAction()) {
      radio()->click();
      return;
    }
    QAccessibleWidget::doAction(action);
  }

 private:
  RadioButton* radio() const { return static_cast<RadioButton*>(widget()); }
};

// A progress bar: named by its caption, its value the percentage it shows (none while busy), its position
// and range through the value interface.
class ProgressBarAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
 public:
  explicit ProgressBarAccessible(ProgressBar* bar) : QAccessibleWidget(bar, QAccessible::ProgressBar) {}

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
  }
  QString text(QAccessible::Text kind) const override {
    if (kind == QAccessible::Name && bar()->accessibleName().isEmpty())
      return bar()->nameLabel() != nullptr ? bar()->nameLabel()->text() : captionOf(*bar());
    if (kind == QAccessible::Value) return bar()->text();
    return QAccessibleWidget::text(kind);
  }
  QAccessible::State state() const override {
    QAccessible::State state = QAccessibleWidget::state();
    state.readOnly = true;
    state.busy = bar()->isBusy();
    return state;
  }

  QVariant currentValue() const override { return bar()->value(); }
  void setCurrentValue(const QVariant&) override {}  // the user cannot move it
  QVariant maximumValue() const override { return bar()->maximum(); }
  QVariant minimumValue() const override { return bar()->minimum(); }
  QVariant minimumStepSize() const override { return 1; }

 private:
  ProgressBar* bar() const { return static_cast<ProgressBar*>(widget()); }
};

QAccessibleInterface* skinFactory(const QString& /*className*/, QObject* object) {
  if (auto* label = qobject_cast<ClickableLabel*>(object)) return new ClickableLabelAccessible(label);
  if (auto* radio = qobject_cast<RadioButton*>(object)) return new RadioButtonAccessible(radio);
  if (auto* bar = qobject_cast<ProgressBar*>(object)) return new ProgressBarAccessible(bar);
  return nullptr;
}

}  // namespace

void installAccessibility() {
  static std::once_flag installed;
  std::call_once(installed, [] { QAccessible::installFactory(skinFactory); });
}

}  // namespace skin
