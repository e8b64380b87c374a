// The file copying under the folder copy and the single-file copy: what ends
// up at the destination when copies succeed, fail half way or are cancelled.

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <QTest>
#include <QTemporaryDir>

#include "platform/shellcopy.h"
#include "testfiles.h"

namespace fs = std::filesystem;
using zolt::platform::CopyOutcome;
using Result = zolt::platform::CopyOutcome::Result;

class ShellCopyTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir tmp_;
  fs::path root_;

  static bool NoTemporaryLeft(const fs::path& folder) {
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
      if (entry.path().filename().string().find(".zolt-") != std::string::npos) return false;
    }
    return true;
  }

 private slots:
  void init() {
    QVERIFY(tmp_.isValid());
    root_ = fs::path(tmp_.path().toStdString()) / QTest::currentTestFunction();
    fs::create_directories(root_);
  }

  void singleFile_replacesWritableKeepsReadOnly() {
    testfiles::Write(root_ / "src/a.txt", "new");
    testfiles::Write(root_ / "dst/a.txt", "old");
    CopyOutcome ok = zolt::platform::CopyOneFile((root_ / "src/a.txt").string(),
                                                 (root_ / "dst/a.txt").string());
    QCOMPARE(ok.result, Result::Completed);
    QCOMPARE(testfiles::Read(root_ / "dst/a.txt"), std::string("new"));
    QCOMPARE(ok.bytes, 3u);

    testfiles::Write(root_ / "dst/b.txt", "keep me");
    fs::permissions(root_ / "dst/b.txt", fs::perms::owner_read | fs::perms::group_read);
    CopyOutcome refused = zolt::platform::CopyOneFile((root_ / "src/a.txt").string(),
                                                      (root_ / "dst/b.txt").string());
    QCOMPARE(refused.result, Result::Failed);
    QCOMPARE(refused.failedPath, (root_ / "dst/b.txt").string());
    QCOMPARE(testfiles::Read(root_ / "dst/b.txt"), std::string("keep me"));
    QVERIFY(NoTemporaryLeft(root_));
  }

  void singleFile_missingSourceOrFolderFailsNamingIt() {
    const auto noSource = zolt::platform::CopyOneFile((root_ / "nope.txt").string(),
                                                      (root_ / "out.txt").string());
    QCOMPARE(noSource.result, Result::Failed);
    QCOMPARE(noSource.failedPath, (root_ / "nope.txt").string());
    QCOMPARE(noSource.errorCode, ENOENT);

    testfiles::Write(root_ / "a.txt", "x");
    const auto noFolder = zolt::platform::CopyOneFile((root_ / "a.txt").string(),
                                                      (root_ / "missing/a.txt").string());
    QCOMPARE(noFolder.result, Result::Failed);
    QVERIFY(!fs::exists(root_ / "missing"));
    QVERIFY(zolt::platform::DescribeCopyFailure(noFolder).startsWith(
        QStringLiteral("Copia non riuscita: impossibile copiare \"")));
  }

  void singleFile_modeWritableAndExecutableKept() {
    testfiles::Write(root_ / "setup.sh", "#!/bin/sh\n");
    fs::permissions(root_ / "setup.sh", fs::perms::owner_read | fs::perms::owner_exec);
    QCOMPARE(zolt::platform::CopyOneFile((root_ / "setup.sh").string(), (root_ / "copy.sh").string())
                 .result,
             Result::Completed);
    const auto perms = fs::status(root_ / "copy.sh").permissions();
    QVERIFY((perms & fs::perms::owner_exec) != fs::perms::none);
    QVERIFY((perms & fs::perms::owner_write) != fs::perms::none);
  }

  // A cancel or a write failure half way leaves the older file as it was.
  void singleFile_interruptedKeepsOldDestination() {
    testfiles::Write(root_ / "big.bin", std::string(3 << 20, 'b'));
    testfiles::Write(root_ / "dst.bin", "previous");
    const auto cancelled = zolt::platform::CopyOneFile(
        (root_ / "big.bin").string(), (root_ / "dst.bin").string(),
        [](std::uint64_t, std::uint64_t, std::string_view) { return false; });
    QCOMPARE(cancelled.result, Result::Cancelled);
    QCOMPARE(testfiles::Read(root_ / "dst.bin"), std::string("previous"));

    // A file-size limit makes the writes fail as a full disc would.
    struct rlimit old {};
    getrlimit(RLIMIT_FSIZE, &old);
    struct rlimit small = old;
    small.rlim_cur = 1 << 20;
    auto* previous = signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    const auto failed = zolt::platform::CopyOneFile((root_ / "big.bin").string(),
                                                    (root_ / "dst.bin").string());
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, previous);
    QCOMPARE(failed.result, Result::Failed);
    QCOMPARE(failed.failedPath, (root_ / "dst.bin").string());
    QCOMPARE(testfiles::Read(root_ / "dst.bin"), std::string("previous"));
    QVERIFY(NoTemporaryLeft(root_));
  }

  void plan_skipsCatalogueNamesAtTopLevelOnly() {
    testfiles::Write(root_ / "item/IMG.JPG", "p");
    testfiles::Write(root_ / "item/testo.txt", "t");
    testfiles::Write(root_ / "item/scheda.htm", "h");
    testfiles::Write(root_ / "item/docs/img.jpg", "q");
    testfiles::Write(root_ / "item/.hidden", "h");
    CopyOutcome outcome;
    const auto plan = zolt::platform::PlanCopy((root_ / "item").string(), {"img.jpg", "testo.txt"},
                                               {}, outcome);
    QCOMPARE(outcome.result, Result::Completed);
    std::string names;
    for (const auto& e : plan.entries) names += e.relative + (e.folder ? "/ " : " ");
    QCOMPARE(names, std::string(".hidden docs/ docs/img.jpg scheda.htm "));
    QCOMPARE(plan.files, 3u);
    QCOMPARE(plan.bytes, 3u);
  }

  // A destination inside the source, or a link back up, is not copied into itself.
  void plan_cutsLoopsAndLeavesOutDestination() {
    testfiles::Write(root_ / "item/a.txt", "a");
    fs::create_directories(root_ / "item/out");
    fs::create_directory_symlink(root_ / "item", root_ / "item/loop");
    CopyOutcome outcome;
    const auto plan = zolt::platform::PlanCopy((root_ / "item").string(), {},
                                               (root_ / "item/out").string(), outcome);
    QCOMPARE(outcome.result, Result::Completed);
    std::string names;
    for (const auto& e : plan.entries) names += e.relative + " ";
    QCOMPARE(names, std::string("a.txt "));
  }

  void tree_copiesTwiceAndReportsProgress() {
    testfiles::Write(root_ / "item/a.txt", "aaa");
    testfiles::Write(root_ / "item/sub/deep/b.txt", "bb");
    fs::create_directories(root_ / "item/empty");
    CopyOutcome outcome;
    const auto plan = zolt::platform::PlanCopy((root_ / "item").string(), {}, {}, outcome);
    std::uint64_t lastFiles = 0, lastBytes = 0;
    bool forward = true;
    const auto record = [&](std::uint64_t files, std::uint64_t bytes, std::string_view) {
      forward = forward && bytes >= lastBytes;
      lastFiles = files;
      lastBytes = bytes;
      return true;
    };
    for (int round = 0; round < 2; ++round) {
      const auto done = zolt::platform::CopyTree((root_ / "item").string(),
                                                 (root_ / "out/Titolo").string(), plan, record);
      QCOMPARE(done.result, Result::Completed);
      QCOMPARE(done.files, 2u);
      QCOMPARE(done.bytes, 5u);
      lastBytes = 0;
    }
    QVERIFY(forward);
    QCOMPARE(lastFiles, 2u);
    QCOMPARE(testfiles::Listing(root_ / "out/Titolo"),
             std::string("a.txt empty/ sub/ sub/deep/ sub/deep/b.txt "));
  }

  void tree_vanishedSourceStopsNamingIt() {
    testfiles::Write(root_ / "item/a.txt", "a");
    testfiles::Write(root_ / "item/b.txt", "b");
    testfiles::Write(root_ / "item/c.txt", "c");
    testfiles::Write(root_ / "out/c.txt", "older");
    CopyOutcome outcome;
    const auto plan = zolt::platform::PlanCopy((root_ / "item").string(), {}, {}, outcome);
    fs::remove(root_ / "item/b.txt");
    const auto done = zolt::platform::CopyTree((root_ / "item").string(),
                                               (root_ / "out").string(), plan);
    QCOMPARE(done.result, Result::Failed);
    QCOMPARE(done.failedPath, (root_ / "item/b.txt").string());
    QCOMPARE(done.files, 1u);
    QCOMPARE(testfiles::Read(root_ / "out/c.txt"), std::string("older"));
    QVERIFY(zolt::platform::DescribeCopyFailure(done).contains(QStringLiteral("b.txt")));
  }

  void tree_folderWhereAFileStandsFails() {
    testfiles::Write(root_ / "item/sub/a.txt", "a");
    testfiles::Write(root_ / "out/sub", "a file, not a folder");
    CopyOutcome outcome;
    const auto plan = zolt::platform::PlanCopy((root_ / "item").string(), {}, {}, outcome);
    const auto done = zolt::platform::CopyTree((root_ / "item").string(),
                                               (root_ / "out").string(), plan);
    QCOMPARE(done.result, Result::Failed);
    QCOMPARE(testfiles::Read(root_ / "out/sub"), std::string("a file, not a folder"));
  }
};

QTEST_GUILESS_MAIN(ShellCopyTest)
#include "tst_shellcopy.moc"
