// SPDX-License-Identifier: MIT
// Wrapping a host object of any kind: the wrapper class of its kind, read from the host.
#pragma once

#include "pcbclient/PcbObject.h"

#include <memory>

namespace dxfi {

// A wrapper of the class for Kind over Handle, not yet read; nullptr for a kind without
// wrapper (0, 23-25, above 26).
std::unique_ptr<TPCBObject> NewWrapper(TPcbObjectKind Kind, THandle Handle);

// The wrapper of the object's kind (as the host tells it), read with ptRead; nullptr for a
// kind without wrapper, also when the host cannot tell the kind.
std::unique_ptr<TPCBObject> WrapObject(THandle Handle);

// Moves the object to the classic layer: wrap, SetLayer, write. Does nothing for handle 0 or
// for an object whose kind has no wrapper.
void SetObjectLayer(THandle Handle, TClassicLayer Layer);

} // namespace dxfi
