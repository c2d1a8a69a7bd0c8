// The snapshot that the bad-input tables rely on must see what a call could do to a tree.
#include "reliability/tree_snapshot.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/paths.h"
#include "platform/platform.h"
#include "support/files.h"

namespace vqm {
namespace {

TEST(TreeSnapshot, SeesCreatedRemovedAndRewrittenFilesOutsideTheAllowedDirectories) {
  const std::string dir = test::FreshTestDirectory("snapshot");
  MakeDirectoryPath((dir + "/own/deep").c_str(), 0);
  MakeDirectoryPath((dir + "/pruned").c_str(), 0);
  test::WriteFileBytes(dir + "/kept.txt", "kept");
  test::WriteFileBytes(dir + "/rewritten.txt", "old");
  test::WriteFileBytes(dir + "/removed.txt", "gone soon");
  const std::string root = platform::NativePath(dir.c_str());
  const std::vector<std::string> roots{root};
  const std::vector<std::string> pruned{root + "/pruned"};
  const test::TreeSnapshot before = test::TreeSnapshot::Take(roots, pruned);
  EXPECT_EQ(5u, before.size());  // own, own/deep and the three files; not the pruned tree

  test::WriteFileBytes(dir + "/rewritten.txt", "new text");
  test::RemoveFile(dir + "/removed.txt");
  test::WriteFileBytes(dir + "/created.txt", "x");
  test::WriteFileBytes(dir + "/own/deep/log.txt", "allowed");
  MakeDirectoryPath((dir + "/new/own2").c_str(), 0);
  test::WriteFileBytes(dir + "/pruned/ignored.txt", "pruned");
  const test::TreeSnapshot after = test::TreeSnapshot::Take(roots, pruned);

  const std::string n = test::NormalPath(root);
  const std::vector<std::string> changes = test::TreeSnapshot::Changes(before, after);
  EXPECT_EQ((std::vector<std::string>{n + "/created.txt (created)", n + "/new (created)",
                                      n + "/new/own2 (created)",
                                      n + "/own/deep/log.txt (created)",
                                      n + "/removed.txt (removed)",
                                      n + "/rewritten.txt (changed)"}),
            changes);
  // A directory on the way to an allowed one may be created; nothing else.
  EXPECT_EQ((std::vector<std::string>{n + "/created.txt (created)",
                                      n + "/removed.txt (removed)",
                                      n + "/rewritten.txt (changed)"}),
            test::OutsideAllowed(changes, {root + "/own", root + "/new/own2"}));
  EXPECT_EQ(changes, test::OutsideAllowed(changes, {}));
}

}  // namespace
}  // namespace vqm
