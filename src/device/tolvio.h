// The device library: the six operations through which the program reaches
// the remote. C linkage; every result is a one-byte boolean (0 = false).
// Read buffers are allocated and zero-filled by the caller with the sizes
// below; the library never writes past them.
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define TOLVIO_BASIC_INFO_SIZE 1024
#define TOLVIO_KEY_TABLE_SIZE 12288
#define TOLVIO_CAPTURE_SIZE 10240

uint8_t link_state(void);
uint8_t RBasicInfo(uint8_t* buffer);          // 1024 bytes
uint8_t RCodeTypeData(uint8_t* buffer);       // 12288 bytes
uint8_t WCodeTypeData(const char* image);     // zero-terminated key table image
uint8_t SetCodeCarrierWave(void);
uint8_t RCollectCodeInfo(uint8_t* buffer);    // 10240 bytes

#ifdef __cplusplus
}
#endif
