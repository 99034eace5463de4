#include "qemliv32/win32/engine_module.h"

namespace qem {

HINSTANCE engine_module() {
  HMODULE module = NULL;
  // Found from an address of its own, so no entry point has to keep it.
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&engine_module), &module);
  return module;
}

}  // namespace qem
