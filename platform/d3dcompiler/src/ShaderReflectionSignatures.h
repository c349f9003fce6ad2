// The input and output signatures of an entry point, as shader reflection describes them, read from the
// entry point's interface variables and their semantics.
#pragma once

#include <d3dcompiler.h>

#include "SpirvEditor.h"

#include <string>
#include <vector>

namespace d3dcompiler {

struct SignatureParameter {
  std::string SemanticName;  // without its index; the front end keeps semantics upper-case
  D3D12_SIGNATURE_PARAMETER_DESC Desc{};
};

// The parameters of the first entry point's `storageClass` (Input or Output) variables, in declaration order.
// Compute shaders have none. Desc.SemanticName is left for the owner to point at SemanticName once stored.
std::vector<SignatureParameter> ReadSignature(const SpirvEditor& module, spv::StorageClass storageClass);

}  // namespace d3dcompiler
