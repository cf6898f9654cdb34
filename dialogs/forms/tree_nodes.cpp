#include "dialogs/forms/tree_nodes.h"

#include "dialogs/forms/component_stream.h"

namespace kx {
namespace {

constexpr size_t kRecordFixedSize = 6 * 4 + 1;  // four indexes, data slot, count, text length
constexpr size_t kSmallestNode = 4 + kRecordFixedSize;

class NodeReader {
 public:
  explicit NodeReader(std::string_view block) : block_(block) {}

  bool atEnd() const { return offset_ == block_.size(); }

  std::optional<int64_t> integer() {
    if (block_.size() - offset_ < 4) return std::nullopt;
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i) {
      value |= uint32_t{static_cast<uint8_t>(block_[offset_ + i])} << (8 * i);
    }
    offset_ += 4;
    return static_cast<int32_t>(value);
  }

  // `count` nodes, each at least kSmallestNode bytes, so a count beyond the bytes left is
  // refused before anything is allocated.
  bool nodes(int64_t count, int depth, std::vector<TreeNode>& out) {
    if (count < 0 || depth > dfm::kMaxNesting ||
        static_cast<uint64_t>(count) > (block_.size() - offset_) / kSmallestNode) {
      return false;
    }
    out.resize(static_cast<size_t>(count));
    for (TreeNode& node : out) {
      if (!this->node(depth, node)) return false;
    }
    return true;
  }

 private:
  bool node(int depth, TreeNode& node) {
    const auto size = integer();
    const size_t start = offset_;
    if (!size || *size < static_cast<int64_t>(kRecordFixedSize) ||
        static_cast<uint64_t>(*size) > block_.size() - offset_) {
      return false;
    }
    int32_t* indexes[] = {&node.imageIndex, &node.selectedIndex, &node.stateIndex,
                          &node.overlayIndex};
    for (int32_t* index : indexes) *index = static_cast<int32_t>(*integer());
    integer();  // the data slot holds a pointer of the designer's process
    const int64_t children = *integer();
    const size_t textLength = static_cast<uint8_t>(block_[offset_++]);
    if (static_cast<uint64_t>(*size) != kRecordFixedSize + textLength) return false;
    node.text = std::string(block_.substr(offset_, textLength));
    offset_ = start + static_cast<size_t>(*size);
    return nodes(children, depth + 1, node.children);
  }

  std::string_view block_;
  size_t offset_ = 0;
};

void appendInteger(std::string& out, int64_t value) {
  for (int i = 0; i < 4; ++i)
    out.push_back(static_cast<char>(static_cast<uint64_t>(value) >> (8 * i)));
}

void appendNodes(std::string& out, const std::vector<TreeNode>& nodes) {
  for (const TreeNode& node : nodes) {
    const std::string text = node.text.substr(0, 255);
    appendInteger(out, static_cast<int64_t>(kRecordFixedSize + text.size()));
    for (int32_t index :
         {node.imageIndex, node.selectedIndex, node.stateIndex, node.overlayIndex}) {
      appendInteger(out, index);
    }
    appendInteger(out, 0);
    appendInteger(out, static_cast<int64_t>(node.children.size()));
    out.push_back(static_cast<char>(text.size()));
    out += text;
    appendNodes(out, node.children);
  }
}

}  // namespace

std::optional<std::vector<TreeNode>> treeNodesFromBlock(std::string_view block) {
  NodeReader reader(block);
  const auto count = reader.integer();
  std::vector<TreeNode> nodes;
  if (!count || !reader.nodes(*count, 0, nodes) || !reader.atEnd()) return std::nullopt;
  return nodes;
}

std::string treeNodesToBlock(const std::vector<TreeNode>& nodes) {
  std::string out;
  appendInteger(out, static_cast<int64_t>(nodes.size()));
  appendNodes(out, nodes);
  return out;
}

}  // namespace kx
