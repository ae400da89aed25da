#include "installed/product_com.h"

#include "platform/platform.h"

namespace quorix {

bool InvokeProductComMethod(ProcessContext& ctx) {
    platform::Com& com = ctx.os.com;
    platform::ComScope apartment(com);
    bool succeeded = false;
    {
        // Released before the apartment is left.
        platform::UniqueComObject object(com);
        if (com.CreateInstance(kProductComClassId, kProductComContext, kProductComInterfaceId,
                               object.Receive()) >= 0 &&
            object.IsHeld()) {
            succeeded = com.CallMethodWithoutArguments(object.Get(), kProductComMethodSlot) >= 0;
        }
    }
    return succeeded;
}

}  // namespace quorix
