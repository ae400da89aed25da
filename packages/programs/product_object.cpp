// VLQuorixObject.dll: the demo product's COM object, an in-process server of class
// {5BE19F12-4C30-4D6B-B458-BE0D081D58AB} (apartment threaded, registered by the package).
//
// Its interface {7583FB94-31E5-4535-9A53-1E55B56AA622} is the product's, with 33 methods
// between IUnknown and the one the setup calls before a removal: slot 36, no argument besides
// the object, S_OK. The setup knows that method by its slot only, so the table is laid out by
// hand, slot by slot, rather than left to a compiler's class layout; the other methods answer
// E_NOTIMPL. The call is recorded in the demo event log (demo_events.h).
// <windows.h> first: the other Windows headers rely on it.
#include <windows.h>

#include <objbase.h>
#include <unknwn.h>

#include <cstddef>
#include <new>
#include <string>

#include "demo_events.h"

namespace {

constexpr CLSID kProductObjectClass = {
    0x5BE19F12, 0x4C30, 0x4D6B, {0xB4, 0x58, 0xBE, 0x0D, 0x08, 0x1D, 0x58, 0xAB}};
constexpr IID kProductObjectInterface = {
    0x7583FB94, 0x31E5, 0x4535, {0x9A, 0x53, 0x1E, 0x55, 0xB5, 0x6A, 0xA6, 0x22}};

HMODULE thisModule = nullptr;
// Objects alive and factory locks: the DLL may be unloaded only at zero, and COM unloads it
// when the setup leaves its apartment, so the removal that follows finds the file free.
LONG moduleReferences = 0;

struct ProductObject;

constexpr std::size_t kReservedSlots = 33;
constexpr std::size_t kPrepareForRemovalSlot = 36;

struct ProductObjectTable {
    HRESULT(STDMETHODCALLTYPE* QueryInterface)(ProductObject*, REFIID, void**);
    ULONG(STDMETHODCALLTYPE* AddRef)(ProductObject*);
    ULONG(STDMETHODCALLTYPE* Release)(ProductObject*);
    HRESULT(STDMETHODCALLTYPE* reserved[kReservedSlots])(ProductObject*);
    HRESULT(STDMETHODCALLTYPE* PrepareForRemoval)(ProductObject*);
};
static_assert(offsetof(ProductObjectTable, PrepareForRemoval) ==
                  kPrepareForRemovalSlot * sizeof(void*),
              "the setup calls the method in slot 36");

struct ProductObject {
    const ProductObjectTable* table;
    LONG references;
};

HRESULT STDMETHODCALLTYPE ObjectQueryInterface(ProductObject* self, REFIID iid, void** out) {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, kProductObjectInterface)) {
        return E_NOINTERFACE;
    }
    InterlockedIncrement(&self->references);
    *out = self;
    return S_OK;
}

ULONG STDMETHODCALLTYPE ObjectAddRef(ProductObject* self) {
    return static_cast<ULONG>(InterlockedIncrement(&self->references));
}

ULONG STDMETHODCALLTYPE ObjectRelease(ProductObject* self) {
    const LONG left = InterlockedDecrement(&self->references);
    if (left == 0) {
        delete self;
        InterlockedDecrement(&moduleReferences);
    }
    return static_cast<ULONG>(left);
}

HRESULT STDMETHODCALLTYPE ObjectReserved(ProductObject*) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE ObjectPrepareForRemoval(ProductObject*) {
    try {
        quorix::demo::RecordEvent(
            L"object slot 36 in " +
            quorix::demo::FolderForLog(quorix::demo::ModuleFolder(thisModule)));
    } catch (...) {
        // Nothing may leave a COM method; the call itself did what it has to.
    }
    return S_OK;
}

ProductObjectTable MakeTable() {
    ProductObjectTable table{};
    table.QueryInterface = ObjectQueryInterface;
    table.AddRef = ObjectAddRef;
    table.Release = ObjectRelease;
    for (auto& slot : table.reserved) slot = ObjectReserved;
    table.PrepareForRemoval = ObjectPrepareForRemoval;
    return table;
}

const ProductObjectTable objectTable = MakeTable();

class ProductObjectFactory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (out == nullptr) return E_POINTER;
        *out = nullptr;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IClassFactory)) {
            return E_NOINTERFACE;
        }
        *out = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    // The factory is a static object: its lifetime is the module's, kept by LockServer.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (out == nullptr) return E_POINTER;
        *out = nullptr;
        if (outer != nullptr) return CLASS_E_NOAGGREGATION;
        auto* object = new (std::nothrow) ProductObject{&objectTable, 1};
        if (object == nullptr) return E_OUTOFMEMORY;
        InterlockedIncrement(&moduleReferences);
        const HRESULT result = ObjectQueryInterface(object, iid, out);
        ObjectRelease(object);  // the caller's reference, if any, keeps it
        return result;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        if (lock) {
            InterlockedIncrement(&moduleReferences);
        } else {
            InterlockedDecrement(&moduleReferences);
        }
        return S_OK;
    }
};

ProductObjectFactory factory;

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) {
        thisModule = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (!IsEqualCLSID(clsid, kProductObjectClass)) return CLASS_E_CLASSNOTAVAILABLE;
    return factory.QueryInterface(iid, out);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    return moduleReferences == 0 ? S_OK : S_FALSE;
}
