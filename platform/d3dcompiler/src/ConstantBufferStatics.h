// `static` declarations inside a cbuffer block are not constant buffer members: the Windows compiler treats
// them as ordinary static globals (with their initializers), and the buffer holds only the other members.
// glslang keeps them as members and drops the initializers, so such sources are rewritten first.
#pragma once

#include <string>
#include <string_view>

namespace d3dcompiler {

// `source` with every static declaration of a cbuffer block moved in front of the block, a #line before each
// moved declaration and before the block so messages keep their line numbers. A block left without members
// is removed, as it would bind nothing. Sources without such declarations come back unchanged.
std::string WithStaticsOutsideConstantBuffers(std::string_view source);

}  // namespace d3dcompiler
