// A program that holds the queue's store and writes to it without end, for the test that kills it in the
// middle of a write: queue_store_writer DATABASE. It adds five items, one transaction each, then changes
// them in turn, and after each write is done prints its number ("wrote N") on standard output.
#include "queue/QueueStore.h"

#include <QCoreApplication>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc != 2) return 2;
  queue::QueueStore store;
  if (!store.open(argv[1]).empty()) return 1;
  std::vector<queue::QueueItem> items(5);
  for (int i = 0; i < 5; ++i) {
    items[i].id = i + 1;
    items[i].input.source = "http://www.youtube.com/watch?v=clip" + std::to_string(i + 1);
    items[i].input.outputFolder = "/music";
    items[i].input.targetExt = ".mp3";
    items[i].title = items[i].input.source;
    if (!store.addItems({&items[i], 1})) return 1;
    std::printf("added %d\n", i + 1);
    std::fflush(stdout);
  }
  for (long n = 1;; ++n) {
    queue::QueueItem& item = items[static_cast<std::size_t>(n % 5)];
    item.message = std::to_string(n);
    item.state = n % 2 == 0 ? queue::ItemState::Downloading : queue::ItemState::Converting;
    if (!store.updateItem(item)) return 1;
    std::printf("wrote %ld\n", n);
    std::fflush(stdout);
  }
}
