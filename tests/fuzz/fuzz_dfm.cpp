// Definition files from anywhere: reading never crashes; whatever reads converts to the text
// form and back to the same text, and loads into a dialog whose every property reads back
// unchanged, pictures and tree nodes included.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "dialogs/forms/component_stream.h"
#include "dialogs/forms/definition_text.h"
#include "dialogs/forms/form_model.h"
#include "dialogs/forms/picture.h"
#include "dialogs/forms/tree_nodes.h"

namespace {

void checkTextForm(const kx::dfm::ObjectRecord& root) {
  std::string text;
  try {
    text = kx::dfm::objectToText(root);
  } catch (const kx::dfm::DefinitionError&) {
    return;  // names that are no identifiers have no text form
  }
  const std::string binary = kx::dfm::writeDefinition(kx::dfm::objectFromText(text));
  if (kx::dfm::objectToText(kx::dfm::readDefinition(binary)) != text) std::abort();
}

void checkForm(const kx::dfm::ObjectRecord& root) {
  const auto form = kx::DialogForm::fromDefinition(root);
  for (kx::Control& control : form->controls()) {
    for (const kx::PropertyDef* def : control.kind().properties) {
      const std::string text = *control.propertyText(def->name);
      if (control.setPropertyText(def->name, text)) std::abort();
    }
    if (control.isKind("TImage")) kx::pictureFromBlock(control.dataBytes("Picture"));
    if (control.isKind("TTreeView")) {
      // Nodes read back as they were written (their data slots aside).
      const auto nodes = kx::treeNodesFromBlock(control.dataBytes("Items"));
      if (nodes && kx::treeNodesFromBlock(kx::treeNodesToBlock(*nodes)) != nodes) std::abort();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kx::dfm::ObjectRecord root;
  try {
    root = kx::dfm::readDefinition(std::string_view(reinterpret_cast<const char*>(data), size));
  } catch (const kx::dfm::DefinitionError&) {
    return 0;
  }
  checkTextForm(root);
  checkForm(root);
  return 0;
}
