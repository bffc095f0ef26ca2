// C interface of the chip vendor's flashing library (btapi.dll / libbtapi.so).
// tovrek never links against it: the entry points are looked up at run time,
// so these declarations only give the function-pointer types their shape.
#ifndef TOVREK_BTAPI_H
#define TOVREK_BTAPI_H

#ifndef BTAPI_EXPORT
#define BTAPI_EXPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef void *BtHandle;
typedef int (*BtTextCallback)(void *context, const char *text);

BTAPI_EXPORT int globalInitResource(void);
BTAPI_EXPORT int globalFreeResource(void);
BTAPI_EXPORT BtHandle getHandler(void);
BTAPI_EXPORT BtHandle getSlotHandler(int slot);
BTAPI_EXPORT int destroyHandler(BtHandle handle);
BTAPI_EXPORT int transactStart(BtHandle handle, int kind);
BTAPI_EXPORT int transactParam(BtHandle handle, const char *key, const char *value);
BTAPI_EXPORT int transactComplete(BtHandle handle);
BTAPI_EXPORT int transactResult(BtHandle handle, const char *name, char *buffer, int size);
BTAPI_EXPORT int regCallbackDevice(BtHandle handle, const char *deviceName, int kind,
                                   BtTextCallback callback);
BTAPI_EXPORT int setLogResult(BtHandle handle, int enable);

#ifdef __cplusplus
}
#endif

#endif
