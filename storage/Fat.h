// A compact FAT12/FAT16/FAT32 volume layer on the four disk functions of Disk.h, with the usual
// f_* calling conventions: one volume (drive 0, path "" or "0:"), files opened, read, written,
// positioned, synced and closed, directories listed, files removed and directories created.
//
// Supported: volumes at sector 0 or in the first partition of an MBR, 512-byte sectors, any
// cluster size, both FAT copies kept equal, long names read (UTF-16 to UTF-8) and matched in
// paths, 8.3 names read and written (lower-case 8.3 names keep their case through the flags
// other systems use).
// Not supported: exFAT, writing long names (a new file or directory needs a valid 8.3 name,
// otherwise FR_INVALID_NAME), more than one volume, renaming, sector sizes other than 512,
// time stamps other than a fixed one (2026-01-01 12:00), the FAT32 free-cluster count (marked
// unknown after the first change, as the format allows).
//
// The layer allocates nothing. All sector transfers go through the volume's one sector window
// (FATFS::win), so a FATFS must live where the DMA reaches it (static storage or the heap, not
// the stack); FIL, DIR and FILINFO may live anywhere. A failing transfer throws the disk
// layer's exception through these functions; the volume stays consistent (a window that failed
// to load is forgotten, a dirty one stays dirty).
#pragma once

#include "storage/Disk.h"

typedef enum
{
    FR_OK = 0,
    FR_DISK_ERR,           // the disk layer reported an error
    FR_INT_ERR,            // the volume's structures are damaged (a chain leaves the FAT)
    FR_NOT_READY,          // no card, or it is not powered
    FR_NO_FILE,
    FR_NO_PATH,
    FR_INVALID_NAME,
    FR_DENIED,             // directory full, volume full, read-only file, wrong open mode
    FR_EXIST,
    FR_INVALID_OBJECT,     // the file or directory object is not open on the mounted volume
    FR_WRITE_PROTECTED,
    FR_INVALID_DRIVE,
    FR_NOT_ENABLED,        // no volume registered with f_mount
    FR_NO_FILESYSTEM,      // no FAT volume on the disk
    FR_INVALID_PARAMETER = 19,
} FRESULT;

// Open modes.
#define FA_READ 0x01
#define FA_WRITE 0x02
#define FA_OPEN_EXISTING 0x00
#define FA_CREATE_NEW 0x04
#define FA_CREATE_ALWAYS 0x08
#define FA_OPEN_ALWAYS 0x10
#define FA_OPEN_APPEND 0x30

// Attributes.
#define AM_RDO 0x01
#define AM_HID 0x02
#define AM_SYS 0x04
#define AM_DIR 0x10
#define AM_ARC 0x20

// The volume work area.
typedef struct
{
    BYTE fs_type;  // 0: not mounted, 1: FAT12, 2: FAT16, 3: FAT32
    BYTE drive;
    BYTE n_fats;
    BYTE wflag;    // the window holds changes not yet written
    BYTE fsi_flag; // FAT32: 1 when the free-cluster count must be marked unknown
    WORD id;       // changes at every mount; open objects carry it
    WORD csize;    // sectors per cluster
    WORD n_rootdir;
    DWORD n_fatent; // clusters + 2
    DWORD fsize;    // sectors per FAT
    DWORD volbase;
    DWORD fatbase;
    DWORD dirbase;  // FAT12/16: first root directory sector; FAT32: root directory cluster
    DWORD database;
    DWORD fsinfo;   // FAT32: FSInfo sector
    DWORD last_clst;
    DWORD winsect;
    __attribute__((aligned(4))) BYTE win[512];
} FATFS;

typedef struct
{
    FATFS* fs;
    WORD id;
    BYTE flag;       // open mode, plus 0x40 when the entry must be updated
    DWORD fptr;
    DWORD obj_size;
    DWORD sclust;
    DWORD clust;     // a cluster of the chain and its index, to walk on from
    DWORD clust_index;
    DWORD dir_sect;  // the directory entry
    WORD dir_offset;
} FIL;

typedef struct
{
    FATFS* fs;
    WORD id;
    DWORD sclust; // 0: the FAT12/16 root directory
    DWORD clust;
    DWORD sect;
    DWORD index;  // entry index within the directory
} DIR;

typedef struct
{
    DWORD fsize;
    WORD fdate;
    WORD ftime;
    BYTE fattrib;
    char altname[13];  // the 8.3 name
    char fname[768];   // the long name in UTF-8, or the 8.3 name; "" at the end of a directory
} FILINFO;

// Registers `fs` as the volume (path "" or "0:"), or unregisters it when fs is null. With
// opt 1 the volume is mounted at once and the result says whether that worked; with opt 0 it
// is mounted at its first use.
FRESULT f_mount(FATFS* fs, const char* path, BYTE opt);
FRESULT f_open(FIL* fp, const char* path, BYTE mode);
FRESULT f_close(FIL* fp);
FRESULT f_read(FIL* fp, void* buffer, UINT count, UINT* read);
FRESULT f_write(FIL* fp, const void* buffer, UINT count, UINT* written);
FRESULT f_lseek(FIL* fp, DWORD offset);
FRESULT f_sync(FIL* fp);
FRESULT f_opendir(DIR* dp, const char* path);
// The next entry ("." and ".." are skipped); fname is "" after the last one.
FRESULT f_readdir(DIR* dp, FILINFO* info);
FRESULT f_closedir(DIR* dp);
FRESULT f_stat(const char* path, FILINFO* info);
// Removes a file or an empty directory.
FRESULT f_unlink(const char* path);
FRESULT f_mkdir(const char* path);

inline DWORD f_size(const FIL* fp) { return fp->obj_size; }
inline DWORD f_tell(const FIL* fp) { return fp->fptr; }
inline bool f_eof(const FIL* fp) { return fp->fptr == fp->obj_size; }
