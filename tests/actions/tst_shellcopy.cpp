// The file copying under both copies: what stays at the destination when a
// copy fails half way, is cancelled, or meets a loop or a vanished source.

#include <signal.h>
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
    QCOMPARE(CopyOneFile(src, dst, [](auto, auto, auto) { return false; }).result, Result::Cancelled);

    struct rlimit old {};
    getrlimit(RLIMIT_FSIZE, &old);
    struct rlimit small = old;
    small.rlim_cur = 1 << 20;
    auto* previous = signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    const auto failed = CopyOneFile(src, dst);
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, previous);
    QCOMPARE(failed.result, Result::Failed);
    QCOMPARE(failed.failedPath, dst);

    fs::permissions(dst, fs::perms::owner_read);
    QCOMPARE(CopyOneFile(src, dst).result, Result::Failed);
    QCOMPARE(testfiles::Read(dst), std::string("previous"));
    QCOMPARE(testfiles::Listing(root_), std::string("big.bin old.bin "));
  }

  // Files from a read-only disc come out writable, programs still runnable.
  void singleFile_copyIsWritableAndKeepsExecutable() {
    testfiles::Write(root_ / "setup.sh", "#!/bin/sh\n");
    fs::permissions(root_ / "setup.sh", fs::perms::owner_read | fs::perms::owner_exec);
    QCOMPARE(CopyOneFile((root_ / "setup.sh").string(), (root_ / "copy.sh").string()).result,
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
};

QTEST_GUILESS_MAIN(ShellCopyTest)
#include "tst_shellcopy.moc"
