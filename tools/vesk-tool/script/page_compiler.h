#pragma once
// Script source to page: the command lines, their blocks and loops, the
// page settings. Labels of other pages are resolved once every page of a
// compile is known (ResolveTargets).
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "script/pages.h"
#include "vesk-tool/script/expr_compiler.h"

namespace vesk::tool::script {

// A jump target written as a label, filled in by ResolveTargets.
struct TargetFixup {
  int32_t* target;
  const std::string* page;  // the command's page field (CP932)
  std::string label;        // CP932
  int line;
  int column;
};

struct CompiledPage {
  std::string source_name;  // for error messages
  std::unique_ptr<vesk::script::TPage> page;
  std::vector<TargetFixup> fixups;
  // Every user variable the page reads or writes (expressions, GetProp's
  // var:, Call's result:, VarDel), and the names its VarNew lines declare.
  std::vector<NameUse> names_used;
  std::vector<NameUse> names_declared;
  // Message markup the player would read quietly but likely not as meant.
  std::vector<CompileWarning> warnings;
};

// Compiles one source (a UTF-8 byte-order mark at its start is skipped).
// `page_name` is the page's own name (CP932, e.g. "start.lsb"): a Jump or
// Call without a page goes there. A VarNew of a name the player refuses is
// an error. Throws CompileError.
CompiledPage CompilePage(std::string_view source, const std::string& page_name,
                         const ExprContext& context);

// Fills every label target from the compiled pages (names matched without
// regard to ASCII case). Throws CompileError naming the source through
// `failed_source`.
void ResolveTargets(std::vector<CompiledPage>& pages, std::string* failed_source);

// The stored bytes of a page.
std::vector<uint8_t> PageBytes(const vesk::script::TPage& page);

}  // namespace vesk::tool::script
