// The queue window: one row per item of the queue (its title, its state in the window's words and a
// progress bar), the filters All, Running, Waiting, Done and Failed, the buttons for the selected items
// (Stop, Retry, Remove, Show file), and the queue's own choices: how many items run at once and what becomes
// of an existing audio file (kept in the settings). Non-modal; it follows the queue through its signals and
// never opens a box for an item.
#pragma once

#include "queue/Queue.h"

#include <QAbstractTableModel>
#include <QCoreApplication>
#include <QSortFilterProxyModel>
#include <QWidget>

#include <vector>

class QLabel;
class QRadioButton;
class QTableView;
class QPushButton;
class QComboBox;

namespace app {

// An item's state as the window says it: "waiting", "downloading 40%", "failed: <why>", ...
QString stateText(const queue::QueueItem& item);

// The queue's items as rows, in the queue's order.
class QueueModel final : public QAbstractTableModel {
 public:
  enum Column { Title, State, Progress, ColumnCount };
  static constexpr int kIdRole = Qt::UserRole;           // the item's id
  static constexpr int kStateRole = Qt::UserRole + 1;    // its ItemState, as an int
  static constexpr int kPercentRole = Qt::UserRole + 2;  // the progress bar's value, -1 for none

  explicit QueueModel(const queue::Queue& queue, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  void onItemsAdded(qint64 firstId, int count);
  void onItemChanged(qint64 id);
  void onItemRemoved(qint64 id);

 private:
  int rowOf(qint64 id) const;

  const queue::Queue& queue_;
  std::vector<queue::ItemId> ids_;  // the rows' items, in the queue's order (ascending ids)
};

// The filters.
enum class QueueFilter { All, Running, Waiting, Done, Failed };
bool matchesFilter(queue::ItemState state, QueueFilter filter);

class QueueFilterModel final : public QSortFilterProxyModel {
 public:
  using QSortFilterProxyModel::QSortFilterProxyModel;
  void setFilter(QueueFilter filter);
  QueueFilter filter() const { return filter_; }

 protected:
  bool filterAcceptsRow(int row, const QModelIndex& parent) const override;

 private:
  QueueFilter filter_ = QueueFilter::All;
};

class QueueWindow final : public QWidget {
  Q_DECLARE_TR_FUNCTIONS(QueueWindow)

 public:
  explicit QueueWindow(queue::Queue& queue, QWidget* parent = nullptr);
  ~QueueWindow() override;

  QueueModel* model = nullptr;
  QueueFilterModel* filtered = nullptr;
  QTableView* list = nullptr;
  std::vector<QRadioButton*> filterButtons;  // in the order of QueueFilter
  QPushButton* stopButton = nullptr;
  QPushButton* retryButton = nullptr;
  QPushButton* removeButton = nullptr;
  QPushButton* showFileButton = nullptr;
  QPushButton* startAllButton = nullptr;
  QPushButton* stopAllButton = nullptr;
  QComboBox* parallelCombo = nullptr;  // 1, 2, 3
  QComboBox* replaceCombo = nullptr;   // keep it, replace it
  QLabel* statusLabel = nullptr;

  // The ids of the selected rows that the filter shows, in the queue's order.
  std::vector<queue::ItemId> selectedIds() const;

  void onStopClicked();
  void onRetryClicked();
  void onRemoveClicked();
  void onShowFileClicked();
  void onStartAllClicked();
  void onStopAllClicked();  // also drops what is still being added
  void setFilter(QueueFilter filter);

 private:
  void updateStatus();
  void updateButtons();

  queue::Queue& queue_;
  int adding_ = -1;  // items still to add, -1 when no add is going
  int addTotal_ = 0;
};

}  // namespace app
