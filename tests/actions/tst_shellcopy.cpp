// The file copying under both copies: what stays at the destination when a
// copy fails half way, is cancelled, or meets a loop or a vanished source.

#include <signal.h>
#include <sys/stat.h>
#include <sys/resource.h>

#include <QTemporaryDir>
#include <QTest>

#include "platform/shellcopy.h"
#include "testfiles.h"

namespace fs = std::filesystem;
using zolt::platform::CopyOneFile;
using Result = zolt::platform::CopyOutcome::Result;

class ShellCopyTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir tmp_;
  fs::path root_;

  zolt::platform::CopyPlan Plan(const std::string& exclude = {}) {
    zolt::platform::CopyOutcome outcome;
    auto plan = zolt::platform::PlanCopy((root_ / "item").string(), {}, exclude, outcome);
    if (outcome.result != Result::Completed) qFatal("cannot list the item");
    return plan;
  }

 private slots:
  void init() {
    root_ = fs::path(tmp_.path().toStdString()) / QTest::currentTestFunction();
    fs::create_directories(root_);
  }

  // A cancel, a write failure (a file-size limit stands in for a full disc)
  // or a read-only target leave the older file whole and no temporary behind.
  void singleFile_interruptedKeepsOldDestination() {
    testfiles::Write(root_ / "big.bin", std::string(3 << 20, 'b'));
    testfiles::Write(root_ / "old.bin", "previous");
    const std::string src = (root_ / "big.bin").string(), dst = (root_ / "old.bin").string();
    QCOMPARE(CopyOneFile(src, root_.string(), dst, [](auto, auto, auto) { return false; }).result, Result::Cancelled);

    struct rlimit old {};
    getrlimit(RLIMIT_FSIZE, &old);
    struct rlimit small = old;
    small.rlim_cur = 1 << 20;
    auto* previous = signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    const auto failed = CopyOneFile(src, root_.string(), dst);
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, previous);
    QCOMPARE(failed.result, Result::Failed);
    QCOMPARE(failed.failedPath, dst);

    fs::permissions(dst, fs::perms::owner_read);
    QCOMPARE(CopyOneFile(src, root_.string(), dst).result, Result::Failed);
    QCOMPARE(testfiles::Read(dst), std::string("previous"));
    QCOMPARE(testfiles::Listing(root_), std::string("big.bin old.bin "));
  }

  // Files from a read-only disc come out writable, programs still runnable.
  void singleFile_copyIsWritableAndKeepsExecutable() {
    testfiles::Write(root_ / "setup.sh", "#!/bin/sh\n");
    fs::permissions(root_ / "setup.sh", fs::perms::owner_read | fs::perms::owner_exec);
    QCOMPARE(CopyOneFile((root_ / "setup.sh").string(), root_.string(), (root_ / "copy.sh").string()).result,
             Result::Completed);
    const auto perms = fs::status(root_ / "copy.sh").permissions();
    QVERIFY((perms & fs::perms::owner_exec) != fs::perms::none);
    QVERIFY((perms & fs::perms::owner_write) != fs::perms::none);
  }

  // A destination inside the source, or a link back up, is not copied into itself.
  void plan_cutsLoopsAndLeavesOutDestination() {
    testfiles::Write(root_ / "item/a.txt", "a");
    fs::create_directories(root_ / "item/out");
    fs::create_directory_symlink(root_ / "item", root_ / "item/loop");
    const auto plan = Plan((root_ / "item/out").string());
    QCOMPARE(plan.entries.size(), 1u);
    QCOMPARE(plan.entries[0].relative, std::string("a.txt"));
  }

  void tree_vanishedSourceStopsNamingIt() {
    testfiles::Write(root_ / "item/a.txt", "a");
    testfiles::Write(root_ / "item/b.txt", "b");
    testfiles::Write(root_ / "item/sub/c.txt", "c");
    testfiles::Write(root_ / "out/sub/c.txt", "older");
    const auto plan = Plan();
    fs::remove(root_ / "item/b.txt");
    const auto done = zolt::platform::CopyTree((root_ / "item").string(), (root_ / "out").string(), plan);
    QCOMPARE(done.result, Result::Failed);
    QCOMPARE(done.failedPath, (root_ / "item/b.txt").string());
    QCOMPARE(done.files, 1u);
    QCOMPARE(testfiles::Read(root_ / "out/sub/c.txt"), std::string("older"));
    QVERIFY(zolt::platform::DescribeCopyFailure(done).contains(QStringLiteral("b.txt")));
  }

  // Hostile items and destinations: each row lays out an item (with links
  // that lead inside it, outside it, to themselves or round in a loop, a
  // pipe, names of 255 bytes) and a chosen folder with "Doom" in it, copies
  // the item into chosen/Doom and compares, byte for byte, the copy and
  // what lies around it.
  void tree_staysInsideWhatItCopiesAndWhatWasChosen_data() {
    QTest::addColumn<QString>("layout");     // what the row sets up
    QTest::addColumn<QString>("expected");   // snapshot of chosen/ afterwards
    QTest::addColumn<QString>("outside");    // snapshot of outside/ afterwards
    QTest::addColumn<int>("linksOutside");
    QTest::addColumn<int>("linksLeftOut");
    QTest::addColumn<bool>("stopsAtLink");  // a link where a folder goes: neither followed nor removed
    const QString name255 = QString(255, u'n');
    QTest::newRow("link to a folder outside") << "outlink" << "Doom/\nDoom/a.txt=a\n" << "victim=v\n" << 1 << 0 << false;
    QTest::newRow("link to the item's parent") << "uplink" << "Doom/\nDoom/a.txt=a\n" << "victim=v\n" << 1 << 0 << false;
    QTest::newRow("self link and loop") << "loops" << "Doom/\nDoom/a.txt=a\nDoom/sub/\nDoom/sub/b.txt=b\n"
                                        << "victim=v\n" << 0 << 2 << false;
    QTest::newRow("links inside: copied as what they point to")
        << "inside" << "Doom/\nDoom/a.txt=a\nDoom/alias.txt=a\nDoom/sub/\nDoom/sub/b.txt=b\nDoom/subalias/\nDoom/subalias/b.txt=b\n"
        << "victim=v\n" << 0 << 0 << false;
    QTest::newRow("pipe in the item") << "fifo" << "Doom/\nDoom/a.txt=a\n" << "victim=v\n" << 0 << 0 << false;
    QTest::newRow("names of 255 bytes") << "long" << "Doom/\nDoom/a.txt=a\nDoom/" + name255 + "=long\n"
                                        << "victim=v\n" << 0 << 0 << false;
    QTest::newRow("link at the destination where a file goes")
        << "destfilelink" << "Doom/\nDoom/a.txt=a\n" << "victim=v\n" << 0 << 0 << false;
    QTest::newRow("link at the destination where a folder goes")
        << "destdirlink" << "Doom/\nDoom/a.txt=a\nDoom/sub->@OUTSIDE@\n" << "victim=v\n" << 0 << 0 << true;
    QTest::newRow("title folder is a link") << "titlelink" << "Doom->@OUTSIDE@\n" << "victim=v\n" << 0 << 0 << true;
    QTest::newRow("copied twice") << "twice" << "Doom/\nDoom/a.txt=a\nDoom/keep.txt=mine\n" << "victim=v\n" << 0 << 0 << false;
    QTest::newRow("title folder swapped for a link while copying")
        << "swap" << "Doom->@OUTSIDE@\nDoom.moved/\nDoom.moved/a.txt=a\nDoom.moved/sub/\nDoom.moved/sub/b.txt=b\n"
        << "victim=v\n" << 0 << 0 << false;
  }
  void tree_staysInsideWhatItCopiesAndWhatWasChosen() {
    QFETCH(QString, layout);
    QFETCH(QString, expected);
    QFETCH(QString, outside);
    QFETCH(int, linksOutside);
    QFETCH(int, linksLeftOut);
    QFETCH(bool, stopsAtLink);
    const fs::path item = root_ / "item", out = root_ / "outside", chosen = root_ / "chosen";
    fs::remove_all(root_);
    testfiles::Write(item / "a.txt", "a");
    testfiles::Write(out / "victim", "v");
    fs::create_directories(chosen);
    const std::string l = layout.toStdString();
    if (l == "outlink") fs::create_directory_symlink(out, item / "usr");
    if (l == "uplink") fs::create_directory_symlink("..", item / "parent");
    if (l == "loops" || l == "destdirlink" || l == "swap") testfiles::Write(item / "sub/b.txt", "b");
    if (l == "loops") {
      fs::create_symlink("self", item / "self");
      fs::create_directory_symlink("..", item / "sub/back");
    }
    if (l == "inside") {
      testfiles::Write(item / "sub/b.txt", "b");
      fs::create_symlink("a.txt", item / "alias.txt");
      fs::create_directory_symlink("sub", item / "subalias");
    }
    if (l == "fifo") QCOMPARE(::mkfifo((item / "pipe").c_str(), 0644), 0);
    if (l == "long") testfiles::Write(item / std::string(255, 'n'), "long");
    if (l == "destfilelink") {
      fs::create_directories(chosen / "Doom");
      fs::create_symlink(out / "victim", chosen / "Doom/a.txt");
    }
    if (l == "destdirlink") {
      fs::create_directories(chosen / "Doom");
      fs::create_directory_symlink(out, chosen / "Doom/sub");
    }
    if (l == "titlelink") fs::create_directory_symlink(out, chosen / "Doom");
    std::string destination = (chosen / "Doom").string();
    if (l == "twice") {
      testfiles::Write(chosen / "Doom/keep.txt", "mine");
      testfiles::Write(chosen / "Doom/a.txt", "older");
    }
    zolt::platform::CopyOutcome planned;
    const auto plan = zolt::platform::PlanCopy(item.string(), {}, destination, planned);
    QCOMPARE(planned.result, Result::Completed);
    bool swapped = false;
    const auto done = zolt::platform::CopyTree(
        item.string(), destination, plan, [&](std::uint64_t, std::uint64_t, std::string_view) {
          if (l == "swap" && !swapped && fs::exists(chosen / "Doom")) {
            swapped = true;
            fs::rename(chosen / "Doom", chosen / "Doom.moved");
            fs::create_directory_symlink(out, chosen / "Doom");
          }
          return true;
        });
    QCOMPARE(done.result, stopsAtLink ? Result::Failed : Result::Completed);
    if (stopsAtLink) QCOMPARE(done.errorCode, ELOOP);
    QCOMPARE(done.linksOutside, static_cast<std::uint64_t>(linksOutside));
    QCOMPARE(done.linksLeftOut, static_cast<std::uint64_t>(linksLeftOut));
    expected.replace(QStringLiteral("@OUTSIDE@"), QString::fromStdString(out.string()));
    QCOMPARE(QString::fromStdString(testfiles::Snapshot(chosen)), expected);
    QCOMPARE(QString::fromStdString(testfiles::Snapshot(out)), outside);
  }

  // A name that turns out to be a pipe is refused at once, never opened for reading.
  void singleFile_pipeNeverBlocks() {
    QCOMPARE(::mkfifo((root_ / "pipe").c_str(), 0644), 0);
    const auto done = CopyOneFile((root_ / "pipe").string(), root_.string(), (root_ / "copy").string());
    QCOMPARE(done.result, Result::Failed);
    QCOMPARE(done.failedPath, (root_ / "pipe").string());
    QVERIFY(!fs::exists(root_ / "copy"));
  }
};

QTEST_GUILESS_MAIN(ShellCopyTest)
#include "tst_shellcopy.moc"
