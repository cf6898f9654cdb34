#pragma once
// The nodes a form designer stores for a tree view ("Items.Data"): a 32-bit count of top-level
// nodes, then each node as a 32-bit record size, the record (image, selected image, state image
// and overlay indexes, a 32-bit data slot, the child count, the text as a short string) and its
// children.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kx {

struct TreeNode {
  std::string text;
  int32_t imageIndex = -1;
  int32_t selectedIndex = -1;
  int32_t stateIndex = -1;
  int32_t overlayIndex = -1;
  std::vector<TreeNode> children;
  bool operator==(const TreeNode&) const = default;
};

// None when the block does not hold well-formed nodes.
std::optional<std::vector<TreeNode>> treeNodesFromBlock(std::string_view block);
std::string treeNodesToBlock(const std::vector<TreeNode>& nodes);

}  // namespace kx
