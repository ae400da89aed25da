#include "probe_payload.h"

#include <string>

#include "common/text.h"
#include "probe.h"

namespace quorix::probe {

namespace {

// The product's resource calls, aimed at a module loaded as a data file instead of at the
// executable itself. The loader resolves resources of such a module the same way.
class ModuleResources : public platform::Resources {
public:
    explicit ModuleResources(HMODULE module) : module_(module) {}

    bool FindResourceData(std::uint16_t type, const platform::ResourceName& name,
                          const std::uint8_t** data, std::uint32_t* size) override {
        *data = nullptr;
        *size = 0;
        const wchar_t* resourceName = name.isId ? MAKEINTRESOURCEW(name.id) : name.text.c_str();
        HRSRC found = ::FindResourceExW(module_, MAKEINTRESOURCEW(type), resourceName, 0);
        if (found == nullptr) return false;
        HGLOBAL loaded = ::LoadResource(module_, found);
        if (loaded == nullptr) return false;
        *size = ::SizeofResource(module_, found);
        *data = static_cast<const std::uint8_t*>(::LockResource(loaded));
        return true;
    }

    bool EnumerateResourceNames(std::uint16_t type,
                                std::vector<platform::ResourceName>* names) override {
        names->clear();
        return ::EnumResourceNamesW(module_, MAKEINTRESOURCEW(type), Collect,
                                    reinterpret_cast<LONG_PTR>(names)) != FALSE;
    }

    int LoadStringText(std::uint32_t id, std::size_t capacity, std::wstring* text) override {
        text->clear();
        if (capacity == 0 || capacity > 0x7FFFFFFF) return 0;
        std::wstring buffer(capacity, L'\0');
        const int count = ::LoadStringW(module_, id, &buffer[0], static_cast<int>(capacity));
        if (count > 0) text->assign(buffer.data(), static_cast<std::size_t>(count));
        return count;
    }

private:
    static BOOL CALLBACK Collect(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR param) {
        auto* names = reinterpret_cast<std::vector<platform::ResourceName>*>(param);
        try {
            if (IS_INTRESOURCE(name)) {
                names->push_back(platform::ResourceName::Id(
                    static_cast<std::uint16_t>(reinterpret_cast<ULONG_PTR>(name))));
            } else {
                names->push_back(platform::ResourceName::Text(name));
            }
        } catch (...) {
            return FALSE;
        }
        return TRUE;
    }

    HMODULE module_;
};

HMODULE LoadPayload(DWORD* error) {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = ::GetEnvironmentVariableW(L"QUORIX_PROBE_PAYLOAD", path, MAX_PATH);
    if (length == 0) {
        *error = ERROR_ENVVAR_NOT_FOUND;
        return nullptr;
    }
    if (length >= MAX_PATH) {
        *error = ERROR_BUFFER_OVERFLOW;
        return nullptr;
    }
    HMODULE module = ::LoadLibraryExW(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module == nullptr) {
        *error = ::GetLastError();
        if (*error == 0) *error = ERROR_MOD_NOT_FOUND;
    }
    return module;
}

// Every area of `os` but the resources. Listed in the order of platform::Platform: an area
// added there makes this fail to compile instead of staying unset.
platform::Platform WithResources(const platform::Platform& os, platform::Resources& resources) {
    return platform::Platform{os.system,    os.files,   os.console, os.ui,  os.registry,
                              os.installer, resources,  os.shell,   os.com, os.services,
                              os.tasks,     os.desktop, os.dialogs};
}

}  // namespace

PayloadContext::PayloadContext(ProcessContext& base)
    : module_(LoadPayload(&loadError_)),
      resources_(module_ != nullptr ? std::make_unique<ModuleResources>(module_) : nullptr),
      os_(std::make_unique<platform::Platform>(
          WithResources(base.os, resources_ ? *resources_ : base.os.resources))),
      ctx_{*os_, base.state} {
    if (loadError_ != 0) Print(L"payload.error", ToDecimal(loadError_));
}

PayloadContext::~PayloadContext() {
    if (module_ != nullptr) ::FreeLibrary(module_);
}

}  // namespace quorix::probe
