#include "app/QueueWindow.h"

#include "common/Settings.h"
#include "platform/Shell.h"
#include "resources/Strings.h"
#include "ui/skin/Controls.h"

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionProgressBar>
#include <QStyledItemDelegate>
#include <QTableView>

#include <algorithm>
#include <filesystem>

namespace app {
namespace {

using queue::ItemState;

constexpr int kWidth = 600;
constexpr int kHeight = 400;

QString toQt(const std::string& text) {
  return QString::fromStdString(text);
}

// The progress column: a bar while the item downloads or converts, full when it is done, none otherwise.
class ProgressDelegate final : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QStyledItemDelegate::paint(painter, option, QModelIndex());  // the row's background and selection
    const int percent = index.data(QueueModel::kPercentRole).toInt();
    if (percent < 0) return;
    QStyleOptionProgressBar bar;
    bar.rect = option.rect.adjusted(2, 3, -2, -3);
    bar.minimum = 0;
    bar.maximum = 100;
    bar.progress = percent;
    bar.state = QStyle::State_Enabled | QStyle::State_Horizontal;
    bar.textVisible = false;
    const QWidget* widget = option.widget;
    QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ProgressBar, &bar, painter, widget);
  }
};

}  // namespace

QString stateText(const queue::QueueItem& item) {
  switch (item.state) {
    case ItemState::Waiting:
      return QueueWindow::tr("waiting");
    case ItemState::Searching:
      return QueueWindow::tr("finding the stream");
    case ItemState::Downloading:
      return QueueWindow::tr("downloading %1%").arg(item.percent);
    case ItemState::Converting:
      return QueueWindow::tr("converting %1%").arg(item.percent);
    case ItemState::Done:
      return QueueWindow::tr("done");
    case ItemState::Failed:
      return item.message.empty() ? QueueWindow::tr("failed")
                                  : QueueWindow::tr("failed: %1").arg(toQt(item.message).simplified());
    case ItemState::Stopped:
      return QueueWindow::tr("stopped");
    case ItemState::Exists:
      return QueueWindow::tr("exists: the audio file was kept");
    case ItemState::AlreadyDone:
      return QueueWindow::tr("already done");
  }
  return {};
}

bool matchesFilter(ItemState state, QueueFilter filter) {
  switch (filter) {
    case QueueFilter::All:
      return true;
    case QueueFilter::Running:
      return queue::isRunning(state);
    case QueueFilter::Waiting:
      return queue::isUnfinished(state);
    case QueueFilter::Done:
      return state == ItemState::Done || state == ItemState::Exists || state == ItemState::AlreadyDone;
    case QueueFilter::Failed:
      return state == ItemState::Failed;
  }
  return true;
}

QueueModel::QueueModel(const queue::Queue& queue, QObject* parent)
    : QAbstractTableModel(parent), queue_(queue) {
  for (const queue::QueueItem& item : queue.items()) ids_.push_back(item.id);
  connect(&queue, &queue::Queue::itemsAdded, this, &QueueModel::onItemsAdded);
  connect(&queue, &queue::Queue::itemChanged, this, &QueueModel::onItemChanged);
  connect(&queue, &queue::Queue::itemRemoved, this, &QueueModel::onItemRemoved);
}

int QueueModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(ids_.size());
}

int QueueModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : ColumnCount;
}

QVariant QueueModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= static_cast<int>(ids_.size())) return {};
  const queue::QueueItem* item = queue_.item(ids_[static_cast<std::size_t>(index.row())]);
  if (item == nullptr) return {};
  switch (role) {
    case kIdRole:
      return QVariant::fromValue<qint64>(item->id);
    case kStateRole:
      return static_cast<int>(item->state);
    case kPercentRole:
      if (item->state == ItemState::Downloading || item->state == ItemState::Converting) return item->percent;
      if (item->state == ItemState::Done) return 100;
      return -1;
    case Qt::DisplayRole:
      if (index.column() == Title) return toQt(item->title.empty() ? item->input.source : item->title);
      if (index.column() == State) return stateText(*item);
      return {};
    case Qt::ToolTipRole:
      if (index.column() == Title) return toQt(item->input.source);
      if (index.column() == State) return stateText(*item);
      return {};
    default:
      return {};
  }
}

QVariant QueueModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  switch (section) {
    case Title:
      return QueueWindow::tr("Title");
    case State:
      return QueueWindow::tr("State");
    case Progress:
      return QueueWindow::tr("Progress");
    default:
      return {};
  }
}

void QueueModel::onItemsAdded(qint64 firstId, int count) {
  if (count <= 0) return;
  // The added items are the last `count` of the queue, in order.
  const std::vector<queue::QueueItem>& items = queue_.items();
  const auto first = std::lower_bound(items.begin(), items.end(), firstId,
                                      [](const queue::QueueItem& item, qint64 id) { return item.id < id; });
  const int row = static_cast<int>(ids_.size());
  std::vector<queue::ItemId> added;
  for (auto at = first; at != items.end() && static_cast<int>(added.size()) < count; ++at) {
    if (ids_.empty() || at->id > ids_.back()) added.push_back(at->id);
  }
  if (added.empty()) return;
  beginInsertRows(QModelIndex(), row, row + static_cast<int>(added.size()) - 1);
  ids_.insert(ids_.end(), added.begin(), added.end());
  endInsertRows();
}

void QueueModel::onItemChanged(qint64 id) {
  const int row = rowOf(id);
  if (row < 0) return;
  emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

void QueueModel::onItemRemoved(qint64 id) {
  const int row = rowOf(id);
  if (row < 0) return;
  beginRemoveRows(QModelIndex(), row, row);
  ids_.erase(ids_.begin() + row);
  endRemoveRows();
}

int QueueModel::rowOf(qint64 id) const {
  const auto at = std::lower_bound(ids_.begin(), ids_.end(), id);
  return at == ids_.end() || *at != id ? -1 : static_cast<int>(at - ids_.begin());
}

void QueueFilterModel::setFilter(QueueFilter filter) {
  filter_ = filter;
  invalidateFilter();
}

bool QueueFilterModel::filterAcceptsRow(int row, const QModelIndex& parent) const {
  if (filter_ == QueueFilter::All) return true;
  const QModelIndex index = sourceModel()->index(row, 0, parent);
  return matchesFilter(static_cast<ItemState>(index.data(QueueModel::kStateRole).toInt()), filter_);
}

QueueWindow::QueueWindow(queue::Queue& queue, QWidget* parent) : QWidget(parent, Qt::Window), queue_(queue) {
  setWindowTitle(tr("Queue - %1").arg(toQt(resources::loadString(resources::StringId::Title))));
  setFont(skin::windowFont());
  setFixedSize(kWidth, kHeight);

  QFrame* panel = skin::createPanel(this, 8, 8, kWidth - 16, kHeight - 16);
  QLabel* showLabel = skin::createLabel(panel, tr("Show:"), 0, 4);
  // The choices start after the caption, which may be wider in another language.
  int left = std::max(44, showLabel->width() + 8);
  for (const char* name : {QT_TR_NOOP("All"), QT_TR_NOOP("Running"), QT_TR_NOOP("Waiting"),
                           QT_TR_NOOP("Done"), QT_TR_NOOP("Failed")}) {
    QRadioButton* button = skin::createRadioButton(panel, tr(name), left, 2);
    const auto filter = static_cast<QueueFilter>(filterButtons.size());
    connect(button, &QRadioButton::clicked, this, [this, filter] { setFilter(filter); });
    filterButtons.push_back(button);
    left += button->width() + 14;
  }
  filterButtons.front()->setChecked(true);

  model = new QueueModel(queue, this);
  filtered = new QueueFilterModel(this);
  filtered->setSourceModel(model);
  filtered->setDynamicSortFilter(true);
  list = new QTableView(panel);
  list->setGeometry(0, 26, kWidth - 16, 268);
  list->setModel(filtered);
  list->setSelectionBehavior(QAbstractItemView::SelectRows);
  list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list->setShowGrid(false);
  list->setWordWrap(false);
  list->setItemDelegateForColumn(QueueModel::Progress, new ProgressDelegate(list));
  list->verticalHeader()->hide();
  list->verticalHeader()->setDefaultSectionSize(20);
  list->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  list->horizontalHeader()->setSectionResizeMode(QueueModel::Title, QHeaderView::Stretch);
  list->horizontalHeader()->setSectionResizeMode(QueueModel::State, QHeaderView::Interactive);
  list->horizontalHeader()->setSectionResizeMode(QueueModel::Progress, QHeaderView::Fixed);
  list->horizontalHeader()->resizeSection(QueueModel::State, 190);
  list->horizontalHeader()->resizeSection(QueueModel::Progress, 90);
  list->horizontalHeader()->setHighlightSections(false);

  const int buttonsTop = 302;
  stopButton = skin::createButton(panel, tr("Stop"), 0, buttonsTop, 80, 23);
  retryButton = skin::createButton(panel, tr("Retry"), 88, buttonsTop, 80, 23);
  removeButton = skin::createButton(panel, tr("Remove"), 176, buttonsTop, 80, 23);
  showFileButton = skin::createButton(panel, tr("Show file"), 264, buttonsTop, 80, 23);
  startAllButton = skin::createButton(panel, tr("Start all"), kWidth - 16 - 168, buttonsTop, 80, 23);
  stopAllButton = skin::createButton(panel, tr("Stop all"), kWidth - 16 - 80, buttonsTop, 80, 23);

  const int choicesTop = 338;
  QLabel* parallelLabel = skin::createLabel(panel, tr("Run at once:"), 0, choicesTop + 3);
  parallelCombo = skin::createDropDownList(panel, parallelLabel->width() + 6, choicesTop, 44, 21);
  parallelCombo->addItems({"1", "2", "3"});
  QLabel* replaceLabel = skin::createLabel(panel, tr("When the audio file exists:"), 150, choicesTop + 3);
  replaceCombo = skin::createDropDownList(panel, 150 + replaceLabel->width() + 6, choicesTop, 90, 21);
  replaceCombo->addItems({tr("keep it"), tr("replace it")});
  statusLabel = skin::createLabel(panel, "", 0, choicesTop + 28);
  statusLabel->resize(kWidth - 16, statusLabel->height());

  parallelCombo->setCurrentIndex(std::clamp(queue.parallel(), 1, queue::Queue::kMaxParallel) - 1);
  replaceCombo->setCurrentIndex(queue.replaceExisting() ? 1 : 0);
  connect(parallelCombo, &QComboBox::activated, this, [this](int index) {
    queue_.setParallel(index + 1);
    common::writeQueueSettings({.parallel = queue_.parallel(), .replaceExisting = queue_.replaceExisting()});
  });
  connect(replaceCombo, &QComboBox::activated, this, [this](int index) {
    queue_.setReplaceExisting(index == 1);
    common::writeQueueSettings({.parallel = queue_.parallel(), .replaceExisting = queue_.replaceExisting()});
  });

  connect(stopButton, &QPushButton::clicked, this, [this] { onStopClicked(); });
  connect(retryButton, &QPushButton::clicked, this, [this] { onRetryClicked(); });
  connect(removeButton, &QPushButton::clicked, this, [this] { onRemoveClicked(); });
  connect(showFileButton, &QPushButton::clicked, this, [this] { onShowFileClicked(); });
  connect(startAllButton, &QPushButton::clicked, this, [this] { onStartAllClicked(); });
  connect(stopAllButton, &QPushButton::clicked, this, [this] { onStopAllClicked(); });
  connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { updateButtons(); });
  connect(&queue, &queue::Queue::itemChanged, this, [this] {
    updateButtons();
    updateStatus();
  });
  connect(&queue, &queue::Queue::itemsAdded, this, [this] { updateStatus(); });
  connect(&queue, &queue::Queue::itemRemoved, this, [this] { updateStatus(); });
  connect(&queue, &queue::Queue::addProgress, this, [this](int added, int total) {
    adding_ = total - added;
    addTotal_ = total;
    updateStatus();
  });
  connect(&queue, &queue::Queue::addEnded, this, [this] {
    adding_ = -1;
    updateStatus();
  });
  list->setFocus();
  updateButtons();
  updateStatus();
  // Screen readers label each drop-down list by its caption, and the list by the window's title.
  parallelLabel->setBuddy(parallelCombo);
  replaceLabel->setBuddy(replaceCombo);
  list->setAccessibleName(windowTitle());
}

QueueWindow::~QueueWindow() = default;

std::vector<queue::ItemId> QueueWindow::selectedIds() const {
  std::vector<queue::ItemId> ids;
  for (const QModelIndex& index : list->selectionModel()->selectedRows())
    ids.push_back(index.data(QueueModel::kIdRole).value<qint64>());
  std::sort(ids.begin(), ids.end());
  return ids;
}

void QueueWindow::onStopClicked() {
  for (const queue::ItemId id : selectedIds()) queue_.stop(id);
}

void QueueWindow::onRetryClicked() {
  for (const queue::ItemId id : selectedIds()) queue_.retry(id);
  queue_.start();
}

void QueueWindow::onRemoveClicked() {
  for (const queue::ItemId id : selectedIds()) queue_.remove(id);
}

void QueueWindow::onShowFileClicked() {
  for (const queue::ItemId id : selectedIds()) {
    const queue::QueueItem* item = queue_.item(id);
    if (item == nullptr) continue;
    // The folder of the first audio file made, else the item's output folder.
    std::string folder = item->input.outputFolder;
    if (!item->files.empty()) folder = std::filesystem::path(item->files.front()).parent_path().string();
    platform::openFolder(folder);
    return;
  }
}

void QueueWindow::onStartAllClicked() {
  for (const queue::QueueItem& item : queue_.items()) {
    if (item.state == ItemState::Stopped) queue_.retry(item.id);
  }
  queue_.start();
}

void QueueWindow::onStopAllClicked() {
  queue_.cancelAdding();
  queue_.stopAll();
}

void QueueWindow::setFilter(QueueFilter filter) {
  filtered->setFilter(filter);
  filterButtons[static_cast<std::size_t>(filter)]->setChecked(true);
  updateButtons();
}

void QueueWindow::updateButtons() {
  bool running = false, ended = false, any = false, file = false;
  for (const QModelIndex& index : list->selectionModel()->selectedRows()) {
    any = true;
    const auto state = static_cast<ItemState>(index.data(QueueModel::kStateRole).toInt());
    running = running || queue::isRunning(state) || state == ItemState::Waiting;
    ended = ended || (!queue::isRunning(state) && state != ItemState::Waiting);
    file = file || state == ItemState::Done || state == ItemState::Exists || state == ItemState::AlreadyDone;
  }
  stopButton->setEnabled(running);
  retryButton->setEnabled(ended);
  removeButton->setEnabled(any);
  showFileButton->setEnabled(file);
}

void QueueWindow::updateStatus() {
  int running = 0, waiting = 0, done = 0, failed = 0;
  for (const queue::QueueItem& item : queue_.items()) {
    if (queue::isRunning(item.state)) ++running;
    if (item.state == ItemState::Waiting) ++waiting;
    if (matchesFilter(item.state, QueueFilter::Done)) ++done;
    if (item.state == ItemState::Failed) ++failed;
  }
  QString text =
      tr("%1 running, %2 waiting, %3 done, %4 failed").arg(running).arg(waiting).arg(done).arg(failed);
  if (adding_ > 0) text += tr(" - adding: %1 of %2 left").arg(adding_).arg(addTotal_);
  statusLabel->setText(text);
}

}  // namespace app
