/*
 * vkr.h - device-access API of the Vokari recorder.
 *
 * The recorder shows itself as a removable USB disk. These functions find it
 * among the PC's physical drives, send SCSI commands to it, work with its flash
 * memory and reach its microcontroller over the storage controller's I2C bridge.
 *
 * Every function sends its commands to the drive named by the library's current
 * device path, which discovery (Vkr_GetDevices, Vkr_IsConnected) sets. The
 * library keeps that state for the whole process and takes no lock: call it
 * from one thread.
 *
 * Results: 1 (or any non-zero value) is success, 0 is failure. No function
 * prints, retries or throws. Arguments that cannot be used (null pointers where
 * data must go) give 0 and send nothing.
 */
#ifndef VOKARI_VKR_H
#define VOKARI_VKR_H

#include <stdint.h>

#if defined(_WIN32)
#define VKR_CALL __stdcall
#define VKR_API
#else
#define VKR_CALL
#define VKR_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Data directions of Execute_SCSI_Cmd (only the low byte counts). */
#define VKR_DATA_OUT 0 /* host to device, or no data phase */
#define VKR_DATA_IN 1  /* device to host */

/*
 * Sends one SCSI command to the current drive: the 16 bytes at cdb (all of
 * them, whatever the command's own length), with `length` bytes moving
 * directly to or from `data`. Opens and closes the drive around the command;
 * 2-second timeout. Returns 1 when the command was carried out with status
 * GOOD, else 0. A null cdb, or a null data pointer with a non-zero length,
 * returns 0 with nothing sent.
 */
VKR_API int32_t VKR_CALL Execute_SCSI_Cmd(int32_t direction, const uint8_t* cdb, void* data,
                                          uint32_t length);

/*
 * Lists the recorders among drives 0 to 8: writes a new 19-byte path string
 * into list[0] .. list[count - 1] (allocated with new[]: release with
 * delete[]) and returns the count. `list` needs room for 9 entries; a null
 * list gives 0 and sends nothing.
 */
VKR_API int32_t VKR_CALL Vkr_GetDevices(char** list);

/*
 * Makes a recorder the current device. *pathRef non-null: probes that path
 * (at most 18 characters; a longer one gives 0 and sends nothing) and keeps it
 * as the current path either way. *pathRef null: finds the first recorder
 * among drives 0 to 8 and stores a new copy of its path in *pathRef (allocated
 * with malloc: release with free). Returns 1 when a recorder answered.
 */
VKR_API int32_t VKR_CALL Vkr_IsConnected(char** pathRef);

/* The sector size the current device last reported (512 until then). */
VKR_API int32_t VKR_CALL Vkr_GetSectorSize(void);

/*
 * Copies the 12-byte flash geometry record that discovery fetched:
 * byte 0 unit count, bytes 6-7 blocks per unit (little-endian), byte 8 pages
 * per block, bytes 9-10 page size (little-endian). All zero before discovery.
 */
VKR_API void VKR_CALL Vkr_GetFlashParams(void* destination);

/*
 * The three transfers below move at most 64 KiB per SCSI command and stop at
 * the first command that fails: what earlier commands moved stays moved (pages
 * written, data in the buffer), and the result is 0. A count of 0 sends
 * nothing and gives 1. A transfer that cannot be sent whole gives 0 and sends
 * nothing: no buffer, a page size, sector size or part length of 0, or an
 * address that would not fit in 32 bits.
 */

/*
 * Reads `pageCount` whole pages from `pageAddress` on into `buffer`, as
 * sectors of the disk's block space: page p starts at sector
 * p * (page size / sector size). Fills pageCount * (page size / sector size)
 * * sector size bytes; gives 0 when a page is smaller than a sector.
 */
VKR_API uint8_t VKR_CALL Vkr_ReadPages(uint32_t pageAddress, void* buffer, uint16_t pageCount);

/* Writes `pageCount` whole pages (page size bytes each) from `buffer`. */
VKR_API uint8_t VKR_CALL Vkr_WritePages(uint32_t pageAddress, const void* buffer,
                                        uint16_t pageCount);

/*
 * Reads `partLength` bytes at `partOffset` from each of `partCount` pages,
 * `pageStride` pages apart, into `buffer`, back to back
 * (partCount * partLength bytes).
 */
VKR_API uint8_t VKR_CALL Vkr_ReadPartsOfPages(uint32_t pageAddress, uint16_t partCount,
                                              uint16_t partOffset, uint16_t partLength,
                                              uint16_t pageStride, void* buffer);

/*
 * Erases `blockCount` erase blocks, the first beginning at `pageAddress`, in
 * one command. A count of 0 is sent as it is.
 */
VKR_API int32_t VKR_CALL Vkr_EraseBlocks(uint32_t pageAddress, uint8_t blockCount);

/* Writes `length` (at most 64) bytes to the microcontroller. */
VKR_API int32_t VKR_CALL Vkr_SendI2C(const void* buffer, uint8_t length);

/* Reads `length` (at most 64) bytes from the microcontroller. */
VKR_API int32_t VKR_CALL Vkr_ReceiveI2C(void* buffer, uint8_t length);

/*
 * Writes, then reads; a half with a null buffer or a zero length is skipped.
 * The two buffers may be the same memory.
 */
VKR_API uint8_t VKR_CALL Vkr_SendReceiveI2C(const void* sendBuffer, uint8_t sendLength,
                                            void* receiveBuffer, uint8_t receiveLength);

#ifdef __cplusplus
}
#endif

#endif /* VOKARI_VKR_H */
