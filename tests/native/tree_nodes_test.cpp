// Tree view nodes stored by a form designer.
#include <gtest/gtest.h>

#include "dialogs/forms/definition_text.h"
#include "dialogs/forms/form_model.h"
#include "dialogs/forms/tree_nodes.h"

namespace kx {
namespace {

std::string le32(int32_t value) {
  std::string out;
  for (int i = 0; i < 4; ++i)
    out.push_back(static_cast<char>(static_cast<uint32_t>(value) >> (8 * i)));
  return out;
}

// One node record as the designer writes it, the data slot holding a stale pointer.
std::string nodeRecord(const std::string& text, int32_t image, int32_t children) {
  return le32(25 + static_cast<int32_t>(text.size())) + le32(image) + le32(image + 1) + le32(-1) +
         le32(-1) + le32(0x00C0FFEE) + le32(children) + static_cast<char>(text.size()) + text;
}

TEST(TreeNodes, ReadsTheDesignersNodes) {
  const std::string block = le32(2) + nodeRecord("Program", 0, 2) + nodeRecord("Help", 1, 0) +
                            nodeRecord("Samples", 2, 0) + nodeRecord("Extras", 3, 0);
  const auto form = DialogForm::fromDefinition(
      dfm::objectFromText("object F: TForm\n  object Tree: TTreeView\n    Items.Data = {" + [&] {
        std::string hex;
        for (unsigned char c : block) {
          hex += "0123456789ABCDEF"[c >> 4];
          hex += "0123456789ABCDEF"[c & 15];
        }
        return hex;
      }() + "}\n  end\nend\n"));
  const auto nodes = treeNodesFromBlock(form->findControl("Tree")->dataBytes("Items"));
  ASSERT_TRUE(nodes.has_value());
  ASSERT_EQ(nodes->size(), 2u);
  EXPECT_EQ((*nodes)[0].text, "Program");
  EXPECT_EQ((*nodes)[0].selectedIndex, 1);
  ASSERT_EQ((*nodes)[0].children.size(), 2u);
  EXPECT_EQ((*nodes)[0].children[1].text, "Samples");
  EXPECT_EQ((*nodes)[0].children[1].imageIndex, 2);
  EXPECT_EQ((*nodes)[1].text, "Extras");
  EXPECT_TRUE((*nodes)[1].children.empty());
  EXPECT_EQ(treeNodesFromBlock(treeNodesToBlock(*nodes)), nodes);
}

TEST(TreeNodes, RefusesMalformedBlocks) {
  std::string deep = le32(1);
  for (int i = 0; i < 100; ++i) deep += nodeRecord("n", 0, 1);
  deep += nodeRecord("leaf", 0, 0);
  const std::vector<std::string> blocks = {
      "",
      le32(1),                                               // a node missing
      le32(0x7FFFFFFF) + nodeRecord("a", 0, 0),              // a count far beyond the bytes
      le32(-1),                                              // a negative count
      le32(1) + nodeRecord("a", 0, 5),                       // children missing
      le32(1) + le32(99) + nodeRecord("a", 0, 0).substr(4),  // size and text disagree
      le32(1) + nodeRecord("a", 0, 0) + "x",                 // bytes after the last node
      deep,
  };
  for (const std::string& block : blocks) {
    EXPECT_FALSE(treeNodesFromBlock(block).has_value()) << block.size();
  }
  EXPECT_EQ(treeNodesFromBlock(le32(0)), std::vector<TreeNode>{});
}

}  // namespace
}  // namespace kx
