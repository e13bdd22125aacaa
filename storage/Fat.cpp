#include "storage/Fat.h"

#include <cstring>

// Layout facts used below (the FAT on-disk format):
// - boot sector: bytes per sector at 11, sectors per cluster at 13, reserved sectors at 14, FAT
//   copies at 16, root entries at 17, 16-bit total at 19, 16-bit FAT size at 22, 32-bit total at
//   32, 32-bit FAT size at 36, root cluster at 44, FSInfo sector at 48, signature 0x55 0xAA at 510;
// - the FAT type follows from the number of data clusters alone: below 4085 FAT12, below 65525
//   FAT16, otherwise FAT32;
// - directory entries of 32 bytes: name (11), attributes (11), case flags (12), write time (22),
//   write date (24), first cluster high (20) and low (26), size (28); 0x00 ends a directory,
//   0xE5 marks a free entry; long-name entries (attribute 0x0F) precede their 8.3 entry in
//   reverse order, 13 UTF-16 characters each, with the 8.3 name's checksum at 13.

namespace
{

constexpr unsigned sectorSize = 512;
constexpr unsigned entrySize = 32;
constexpr unsigned entriesPerSector = sectorSize / entrySize;
constexpr DWORD noSector = 0xFFFFFFFF;
constexpr BYTE fat12 = 1;
constexpr BYTE fat16 = 2;
constexpr BYTE fat32 = 3;
constexpr BYTE attributeLongName = 0x0F;
constexpr BYTE attributeVolume = 0x08;
constexpr BYTE modifiedFlag = 0x40;
constexpr BYTE lowerBase = 0x08;
constexpr BYTE lowerExtension = 0x10;
// 2026-01-01 12:00:00.
constexpr WORD fixedDate = ((2026 - 1980) << 9) | (1 << 5) | 1;
constexpr WORD fixedTime = 12 << 11;

FATFS* m_volume = nullptr;
WORD m_mountCount = 0;

WORD Load16(const BYTE* p) { return static_cast<WORD>(p[0] | (p[1] << 8)); }
DWORD Load32(const BYTE* p) { return static_cast<DWORD>(p[0] | (p[1] << 8) | (p[2] << 16)) | (static_cast<DWORD>(p[3]) << 24); }
void Store16(BYTE* p, WORD v)
{
    p[0] = static_cast<BYTE>(v);
    p[1] = static_cast<BYTE>(v >> 8);
}
void Store32(BYTE* p, DWORD v)
{
    Store16(p, static_cast<WORD>(v));
    Store16(p + 2, static_cast<WORD>(v >> 16));
}

// ---- the sector window ----

FRESULT SyncWindow(FATFS& fs)
{
    if (!fs.wflag)
        return FR_OK;
    if (disk_write(fs.drive, fs.win, fs.winsect, 1) != RES_OK)
        return FR_DISK_ERR;
    // A FAT sector goes to every copy.
    if (fs.winsect >= fs.fatbase && fs.winsect < fs.fatbase + fs.fsize)
        for (DWORD copy = 1; copy < fs.n_fats; ++copy)
            if (disk_write(fs.drive, fs.win, fs.winsect + copy * fs.fsize, 1) != RES_OK)
                return FR_DISK_ERR;
    fs.wflag = 0;
    return FR_OK;
}

FRESULT MoveWindow(FATFS& fs, DWORD sector)
{
    if (sector == fs.winsect)
        return FR_OK;
    FRESULT result = SyncWindow(fs);
    if (result != FR_OK)
        return result;
    fs.winsect = noSector; // forgotten until the read succeeds
    if (disk_read(fs.drive, fs.win, sector, 1) != RES_OK)
        return FR_DISK_ERR;
    fs.winsect = sector;
    return FR_OK;
}

// A sector about to be overwritten whole: no need to read it first.
FRESULT ClaimWindow(FATFS& fs, DWORD sector)
{
    if (sector == fs.winsect)
        return FR_OK;
    FRESULT result = SyncWindow(fs);
    if (result != FR_OK)
        return result;
    fs.winsect = sector;
    return FR_OK;
}

// ---- the FAT ----

DWORD EndOfChain(const FATFS& fs)
{
    return fs.fs_type == fat12 ? 0xFF8 : fs.fs_type == fat16 ? 0xFFF8 : 0x0FFFFFF8;
}

DWORD ClusterSector(const FATFS& fs, DWORD cluster)
{
    return fs.database + (cluster - 2) * fs.csize;
}

// The FAT entry of `cluster`; 1 on a disk error, 0xFFFFFFFF for a cluster outside the FAT.
DWORD GetFat(FATFS& fs, DWORD cluster)
{
    if (cluster < 2 || cluster >= fs.n_fatent)
        return 0xFFFFFFFF;
    switch (fs.fs_type)
    {
    case fat12:
    {
        const DWORD offset = cluster + cluster / 2;
        if (MoveWindow(fs, fs.fatbase + offset / sectorSize) != FR_OK)
            return 1;
        const BYTE low = fs.win[offset % sectorSize];
        if (MoveWindow(fs, fs.fatbase + (offset + 1) / sectorSize) != FR_OK)
            return 1;
        const WORD pair = static_cast<WORD>(low | (fs.win[(offset + 1) % sectorSize] << 8));
        return (cluster & 1) ? pair >> 4 : pair & 0xFFF;
    }
    case fat16:
        if (MoveWindow(fs, fs.fatbase + cluster * 2 / sectorSize) != FR_OK)
            return 1;
        return Load16(fs.win + cluster * 2 % sectorSize);
    default:
        if (MoveWindow(fs, fs.fatbase + cluster * 4 / sectorSize) != FR_OK)
            return 1;
        return Load32(fs.win + cluster * 4 % sectorSize) & 0x0FFFFFFF;
    }
}

FRESULT PutFat(FATFS& fs, DWORD cluster, DWORD value)
{
    if (cluster < 2 || cluster >= fs.n_fatent)
        return FR_INT_ERR;
    FRESULT result;
    switch (fs.fs_type)
    {
    case fat12:
    {
        DWORD offset = cluster + cluster / 2;
        if ((result = MoveWindow(fs, fs.fatbase + offset / sectorSize)) != FR_OK)
            return result;
        BYTE* p = fs.win + offset % sectorSize;
        *p = (cluster & 1) ? static_cast<BYTE>((*p & 0x0F) | (value << 4)) : static_cast<BYTE>(value);
        fs.wflag = 1;
        ++offset;
        if ((result = MoveWindow(fs, fs.fatbase + offset / sectorSize)) != FR_OK)
            return result;
        p = fs.win + offset % sectorSize;
        *p = (cluster & 1) ? static_cast<BYTE>(value >> 4) : static_cast<BYTE>((*p & 0xF0) | ((value >> 8) & 0x0F));
        break;
    }
    case fat16:
        if ((result = MoveWindow(fs, fs.fatbase + cluster * 2 / sectorSize)) != FR_OK)
            return result;
        Store16(fs.win + cluster * 2 % sectorSize, static_cast<WORD>(value));
        break;
    default:
    {
        if ((result = MoveWindow(fs, fs.fatbase + cluster * 4 / sectorSize)) != FR_OK)
            return result;
        BYTE* p = fs.win + cluster * 4 % sectorSize;
        // The top four bits are reserved and keep their value.
        Store32(p, (Load32(p) & 0xF0000000) | (value & 0x0FFFFFFF));
        if (fs.fsi_flag == 0)
            fs.fsi_flag = 1;
        break;
    }
    }
    fs.wflag = 1;
    return FR_OK;
}

// Appends a free cluster to the chain ending at `last` (0: a new chain). Returns the cluster,
// 0 when the volume is full, 1 on a disk error, 0xFFFFFFFF on a damaged FAT.
DWORD CreateChain(FATFS& fs, DWORD last)
{
    DWORD candidate = fs.last_clst;
    for (DWORD tried = 0; tried < fs.n_fatent - 2; ++tried)
    {
        ++candidate;
        if (candidate >= fs.n_fatent)
            candidate = 2;
        const DWORD entry = GetFat(fs, candidate);
        if (entry == 1 || entry == 0xFFFFFFFF)
            return entry;
        if (entry != 0)
            continue;
        if (PutFat(fs, candidate, 0x0FFFFFFF) != FR_OK)
            return 1;
        if (last != 0 && PutFat(fs, last, candidate) != FR_OK)
            return 1;
        fs.last_clst = candidate;
        return candidate;
    }
    return 0;
}

FRESULT RemoveChain(FATFS& fs, DWORD cluster)
{
    while (cluster >= 2 && cluster < fs.n_fatent)
    {
        const DWORD next = GetFat(fs, cluster);
        if (next == 1)
            return FR_DISK_ERR;
        if (next == 0xFFFFFFFF)
            return FR_INT_ERR;
        FRESULT result = PutFat(fs, cluster, 0);
        if (result != FR_OK)
            return result;
        if (next >= EndOfChain(fs))
            break;
        cluster = next;
    }
    return FR_OK;
}

// What a CreateChain result means for the caller: FR_OK for a cluster.
FRESULT ChainError(DWORD cluster)
{
    switch (cluster)
    {
    case 0:
        return FR_DENIED; // the volume is full
    case 1:
        return FR_DISK_ERR;
    case 0xFFFFFFFF:
        return FR_INT_ERR;
    default:
        return FR_OK;
    }
}

// FAT32 keeps a free-cluster count and a search hint in FSInfo; after changes they are marked
// unknown, which every reader accepts.
FRESULT SyncVolume(FATFS& fs)
{
    FRESULT result = SyncWindow(fs);
    if (result != FR_OK || fs.fs_type != fat32 || fs.fsi_flag != 1 || fs.fsinfo == 0)
        return result;
    if ((result = MoveWindow(fs, fs.fsinfo)) != FR_OK)
        return result;
    if (Load32(fs.win) == 0x41615252 && Load32(fs.win + 484) == 0x61417272)
    {
        Store32(fs.win + 488, 0xFFFFFFFF);
        Store32(fs.win + 492, 0xFFFFFFFF);
        fs.wflag = 1;
    }
    fs.fsi_flag = 2;
    return SyncWindow(fs);
}

// ---- mounting ----

bool IsBootSector(const BYTE* sector)
{
    if (Load16(sector + 510) != 0xAA55 || (sector[0] != 0xEB && sector[0] != 0xE9))
        return false;
    const BYTE clusterSize = sector[13];
    return Load16(sector + 11) == sectorSize && clusterSize != 0 && (clusterSize & (clusterSize - 1)) == 0 &&
           sector[16] != 0 && Load16(sector + 14) != 0;
}

FRESULT Mount(FATFS& fs)
{
    fs.fs_type = 0;
    fs.wflag = 0;
    fs.winsect = noSector;
    const DSTATUS status = disk_initialize(fs.drive);
    if (status & STA_NOINIT)
        return FR_NOT_READY;
    if (MoveWindow(fs, 0) != FR_OK)
        return FR_DISK_ERR;
    DWORD base = 0;
    if (!IsBootSector(fs.win))
    {
        // A partition table: the first partition that holds a FAT volume.
        if (Load16(fs.win + 510) != 0xAA55)
            return FR_NO_FILESYSTEM;
        DWORD starts[4];
        for (unsigned i = 0; i < 4; ++i)
            starts[i] = fs.win[446 + 16 * i + 4] != 0 ? Load32(fs.win + 446 + 16 * i + 8) : 0;
        bool found = false;
        for (DWORD start : starts)
        {
            if (start == 0)
                continue;
            if (MoveWindow(fs, start) != FR_OK)
                return FR_DISK_ERR;
            if (IsBootSector(fs.win))
            {
                base = start;
                found = true;
                break;
            }
        }
        if (!found)
            return FR_NO_FILESYSTEM;
    }
    const BYTE* b = fs.win;
    const DWORD reserved = Load16(b + 14);
    const DWORD fatSize = Load16(b + 22) != 0 ? Load16(b + 22) : Load32(b + 36);
    const DWORD total = Load16(b + 19) != 0 ? Load16(b + 19) : Load32(b + 32);
    fs.csize = b[13];
    fs.n_fats = b[16];
    fs.n_rootdir = Load16(b + 17);
    fs.fsize = fatSize;
    const DWORD rootSectors = (fs.n_rootdir * entrySize + sectorSize - 1) / sectorSize;
    const DWORD metadata = reserved + fs.n_fats * fatSize + rootSectors;
    if (fatSize == 0 || total <= metadata)
        return FR_NO_FILESYSTEM;
    const DWORD clusters = (total - metadata) / fs.csize;
    const BYTE type = clusters < 4085 ? fat12 : clusters < 65525 ? fat16 : fat32;
    if ((type == fat32) != (fs.n_rootdir == 0))
        return FR_NO_FILESYSTEM;
    fs.volbase = base;
    fs.fatbase = base + reserved;
    fs.n_fatent = clusters + 2;
    fs.database = fs.fatbase + fs.n_fats * fatSize + rootSectors;
    fs.dirbase = type == fat32 ? Load32(b + 44) : fs.fatbase + fs.n_fats * fatSize;
    fs.fsinfo = type == fat32 ? base + Load16(b + 48) : 0;
    fs.fsi_flag = 0;
    fs.last_clst = 1;
    fs.id = ++m_mountCount;
    fs.fs_type = type;
    return FR_OK;
}

// The registered volume, mounted (again, if the card went away in between).
FRESULT Volume(const char*& path, FATFS*& out)
{
    if (path[0] == '0' && path[1] == ':')
        path += 2;
    else if (path[0] >= '1' && path[0] <= '9' && path[1] == ':')
        return FR_INVALID_DRIVE;
    out = m_volume;
    if (out == nullptr)
        return FR_NOT_ENABLED;
    if (out->fs_type != 0 && (disk_status(out->drive) & STA_NOINIT) == 0)
        return FR_OK;
    return Mount(*out);
}

bool Valid(FATFS* fs, WORD id)
{
    return fs != nullptr && fs == m_volume && fs->fs_type != 0 && fs->id == id &&
           (disk_status(fs->drive) & STA_NOINIT) == 0;
}

// ---- directories ----

FRESULT DirRewind(DIR& dir)
{
    FATFS& fs = *dir.fs;
    dir.index = 0;
    dir.clust = dir.sclust;
    if (dir.sclust == 0 && fs.fs_type == fat32)
        dir.sclust = dir.clust = fs.dirbase;
    dir.sect = dir.clust == 0 ? fs.dirbase : ClusterSector(fs, dir.clust);
    return FR_OK;
}

// To the next entry. `stretch` adds a cleared cluster at the end of the directory. Returns
// FR_NO_FILE at the end.
FRESULT DirNext(DIR& dir, bool stretch)
{
    FATFS& fs = *dir.fs;
    const DWORD index = dir.index + 1;
    if (index % entriesPerSector != 0)
    {
        dir.index = index;
        return FR_OK;
    }
    if (dir.clust == 0)
    {
        // The fixed root directory of FAT12/16.
        if (index >= fs.n_rootdir)
            return stretch ? FR_DENIED : FR_NO_FILE;
        ++dir.sect;
        dir.index = index;
        return FR_OK;
    }
    if ((index / entriesPerSector) % fs.csize != 0)
    {
        ++dir.sect;
        dir.index = index;
        return FR_OK;
    }
    DWORD next = GetFat(fs, dir.clust);
    if (next == 1)
        return FR_DISK_ERR;
    if (next == 0xFFFFFFFF || next < 2)
        return FR_INT_ERR;
    if (next >= EndOfChain(fs))
    {
        if (!stretch)
            return FR_NO_FILE;
        next = CreateChain(fs, dir.clust);
        if (ChainError(next) != FR_OK)
            return ChainError(next);
        for (DWORD s = 0; s < fs.csize; ++s)
        {
            FRESULT result = ClaimWindow(fs, ClusterSector(fs, next) + s);
            if (result != FR_OK)
                return result;
            std::memset(fs.win, 0, sectorSize);
            fs.wflag = 1;
        }
    }
    dir.clust = next;
    dir.sect = ClusterSector(fs, next);
    dir.index = index;
    return FR_OK;
}

BYTE* DirEntry(DIR& dir)
{
    return dir.fs->win + (dir.index % entriesPerSector) * entrySize;
}

DWORD EntryCluster(const FATFS& fs, const BYTE* entry)
{
    DWORD cluster = Load16(entry + 26);
    if (fs.fs_type == fat32)
        cluster |= static_cast<DWORD>(Load16(entry + 20)) << 16;
    return cluster;
}

void SetEntryCluster(BYTE* entry, DWORD cluster)
{
    Store16(entry + 26, static_cast<WORD>(cluster));
    Store16(entry + 20, static_cast<WORD>(cluster >> 16));
}

BYTE NameChecksum(const BYTE* name)
{
    BYTE sum = 0;
    for (unsigned i = 0; i < 11; ++i)
        sum = static_cast<BYTE>(((sum & 1) << 7) + (sum >> 1) + name[i]);
    return sum;
}

// The 8.3 name as it is shown: "NAME.EXT", lower-case where the case flags say so.
void ShortName(const BYTE* entry, char* out)
{
    unsigned n = 0;
    for (unsigned i = 0; i < 8 && entry[i] != ' '; ++i)
    {
        char c = static_cast<char>(i == 0 && entry[0] == 0x05 ? 0xE5 : entry[i]);
        if ((entry[12] & lowerBase) && c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
        out[n++] = c;
    }
    if (entry[8] != ' ')
    {
        out[n++] = '.';
        for (unsigned i = 8; i < 11 && entry[i] != ' '; ++i)
        {
            char c = static_cast<char>(entry[i]);
            if ((entry[12] & lowerExtension) && c >= 'A' && c <= 'Z')
                c = static_cast<char>(c + 32);
            out[n++] = c;
        }
    }
    out[n] = '\0';
}

// Collects long-name parts while a directory is read.
struct LongName
{
    WORD chars[260];
    unsigned length = 0;
    BYTE checksum = 0;
    BYTE expected = 0; // the order number the next part must have; 0: none in progress
    bool complete = false;

    void Reset()
    {
        expected = 0;
        complete = false;
    }

    void Take(const BYTE* entry)
    {
        static const unsigned offsets[13] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
        const BYTE order = entry[0];
        if (order & 0x40)
        {
            const unsigned parts = order & 0x3F;
            if (parts == 0 || parts > 20)
            {
                Reset();
                return;
            }
            expected = static_cast<BYTE>(parts);
            checksum = entry[13];
            length = parts * 13;
            complete = false;
        }
        else if (expected == 0 || (order & 0x3F) != expected || entry[13] != checksum)
        {
            Reset();
            return;
        }
        const unsigned part = (order & 0x3F) - 1;
        for (unsigned i = 0; i < 13; ++i)
        {
            const WORD c = Load16(entry + offsets[i]);
            const unsigned at = part * 13 + i;
            if (c == 0x0000 && at < length)
                length = at;
            if (at < 260)
                chars[at] = c;
        }
        expected = static_cast<BYTE>(expected - 1);
        complete = expected == 0;
        if (length > 255)
            Reset();
    }

    // UTF-16 to UTF-8; false when the name does not fit.
    bool ToUtf8(char* out, unsigned size) const
    {
        unsigned n = 0;
        for (unsigned i = 0; i < length; ++i)
        {
            DWORD c = chars[i];
            if (c >= 0xD800 && c < 0xDC00 && i + 1 < length && chars[i + 1] >= 0xDC00 && chars[i + 1] < 0xE000)
                c = 0x10000 + ((c - 0xD800) << 10) + (chars[++i] - 0xDC00);
            BYTE bytes[4];
            unsigned count;
            if (c < 0x80)
            {
                bytes[0] = static_cast<BYTE>(c);
                count = 1;
            }
            else if (c < 0x800)
            {
                bytes[0] = static_cast<BYTE>(0xC0 | (c >> 6));
                bytes[1] = static_cast<BYTE>(0x80 | (c & 0x3F));
                count = 2;
            }
            else if (c < 0x10000)
            {
                bytes[0] = static_cast<BYTE>(0xE0 | (c >> 12));
                bytes[1] = static_cast<BYTE>(0x80 | ((c >> 6) & 0x3F));
                bytes[2] = static_cast<BYTE>(0x80 | (c & 0x3F));
                count = 3;
            }
            else
            {
                bytes[0] = static_cast<BYTE>(0xF0 | (c >> 18));
                bytes[1] = static_cast<BYTE>(0x80 | ((c >> 12) & 0x3F));
                bytes[2] = static_cast<BYTE>(0x80 | ((c >> 6) & 0x3F));
                bytes[3] = static_cast<BYTE>(0x80 | (c & 0x3F));
                count = 4;
            }
            if (n + count >= size)
                return false;
            for (unsigned b = 0; b < count; ++b)
                out[n++] = static_cast<char>(bytes[b]);
        }
        out[n] = '\0';
        return true;
    }
};

// Reads entries from the current position to the next file or directory. On FR_OK `dir` is at
// its 8.3 entry and `info` (if given) describes it; `firstEntry` gets the index of its first
// long-name entry (or of the 8.3 entry).
FRESULT DirRead(DIR& dir, FILINFO* info, DWORD* firstEntry)
{
    FATFS& fs = *dir.fs;
    LongName longName;
    DWORD first = dir.index;
    for (;;)
    {
        FRESULT result = MoveWindow(fs, dir.sect);
        if (result != FR_OK)
            return result;
        const BYTE* entry = DirEntry(dir);
        if (entry[0] == 0x00)
            return FR_NO_FILE;
        const BYTE attributes = entry[11] & 0x3F;
        if (entry[0] == 0xE5)
            longName.Reset();
        else if (attributes == attributeLongName)
        {
            if (entry[0] & 0x40)
                first = dir.index;
            longName.Take(entry);
        }
        else if ((attributes & attributeVolume) == 0 && !(entry[0] == '.' && (entry[1] == ' ' || entry[1] == '.')))
        {
            if (info != nullptr)
            {
                ShortName(entry, info->altname);
                const bool haveLong = longName.complete && longName.checksum == NameChecksum(entry) &&
                                      longName.length > 0 && longName.ToUtf8(info->fname, sizeof info->fname);
                if (!haveLong)
                    std::strcpy(info->fname, info->altname);
                info->fattrib = attributes;
                info->fsize = Load32(entry + 28);
                info->fdate = Load16(entry + 24);
                info->ftime = Load16(entry + 22);
            }
            if (firstEntry != nullptr)
                *firstEntry = longName.complete && longName.checksum == NameChecksum(entry) ? first : dir.index;
            return FR_OK;
        }
        else
            longName.Reset();
        result = DirNext(dir, false);
        if (result != FR_OK)
            return result;
        if (longName.expected == 0 && !longName.complete)
            first = dir.index;
    }
}

bool SameName(const char* a, const char* b, unsigned length)
{
    for (unsigned i = 0; i < length; ++i)
    {
        char x = a[i];
        char y = b[i];
        if (x >= 'a' && x <= 'z')
            x = static_cast<char>(x - 32);
        if (y >= 'a' && y <= 'z')
            y = static_cast<char>(y - 32);
        if (x != y)
            return false;
    }
    return b[length] == '\0';
}

// Finds `name` (length bytes, no separator) in the directory; on FR_OK dir is at its entry.
FRESULT DirFind(DIR& dir, const char* name, unsigned length, FILINFO& info, DWORD* firstEntry)
{
    FRESULT result = DirRewind(dir);
    while (result == FR_OK)
    {
        result = DirRead(dir, &info, firstEntry);
        if (result != FR_OK)
            break;
        if (SameName(name, info.fname, length) || SameName(name, info.altname, length))
            return FR_OK;
        result = DirNext(dir, false);
    }
    return result;
}

// Walks `path` up to its last segment. On FR_OK `dir` is the parent directory and
// name/length the last segment (length 0 for the root itself).
FRESULT FollowPath(FATFS& fs, const char* path, DIR& dir, const char*& name, unsigned& length, FILINFO& info)
{
    dir.fs = &fs;
    dir.id = fs.id;
    dir.sclust = 0;
    DirRewind(dir);
    while (*path == '/' || *path == '\\')
        ++path;
    for (;;)
    {
        unsigned n = 0;
        while (path[n] != '\0' && path[n] != '/' && path[n] != '\\')
            ++n;
        const char* rest = path + n;
        while (*rest == '/' || *rest == '\\')
            ++rest;
        name = path;
        length = n;
        if (*rest == '\0')
            return FR_OK;
        if (n == 0)
            return FR_INVALID_NAME;
        FRESULT result = DirFind(dir, path, n, info, nullptr);
        if (result == FR_NO_FILE)
            return FR_NO_PATH;
        if (result != FR_OK)
            return result;
        if ((info.fattrib & AM_DIR) == 0)
            return FR_NO_PATH;
        dir.sclust = EntryCluster(fs, DirEntry(dir));
        DirRewind(dir);
        path = rest;
    }
}

// The registered volume and, in it, the parent directory of `path` and its last segment.
FRESULT Locate(const char* path, FATFS*& fs, DIR& dir, const char*& name, unsigned& length, FILINFO& info)
{
    if (path == nullptr)
        return FR_INVALID_NAME;
    FRESULT result = Volume(path, fs);
    if (result != FR_OK)
        return result;
    return FollowPath(*fs, path, dir, name, length, info);
}

// What Locate found for a path: its volume, its parent directory, its last segment and that
// segment's entry as far as the walk read it.
struct Target
{
    FATFS* fs = nullptr;
    DIR dir;
    const char* name = nullptr;
    unsigned length = 0;
    FILINFO info;
};

FRESULT Locate(const char* path, Target& t) { return Locate(path, t.fs, t.dir, t.name, t.length, t.info); }

// The 11-byte 8.3 form of a name and its case flags; false when it is no valid 8.3 name
// (a long name, mixed case within a part, characters 8.3 names cannot hold).
bool MakeShortName(const char* name, unsigned length, BYTE* out, BYTE& caseFlags)
{
    std::memset(out, ' ', 11);
    caseFlags = 0;
    if (length == 0 || name[0] == '.')
        return false;
    unsigned dot = length;
    for (unsigned i = 0; i < length; ++i)
        if (name[i] == '.')
        {
            if (dot != length)
                return false;
            dot = i;
        }
    if (dot == 0 || dot > 8 || length - dot > 4 || (dot < length && length - dot == 1))
        return false;
    bool upper[2] = {false, false};
    bool lower[2] = {false, false};
    for (unsigned i = 0, at = 0; i < length; ++i)
    {
        if (i == dot)
        {
            at = 8;
            continue;
        }
        const unsigned part = i > dot ? 1 : 0;
        char c = name[i];
        const unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x21 || u >= 0x7F || std::strchr("\"*+,/:;<=>?[\\]|", c) != nullptr)
            return false;
        if (c >= 'a' && c <= 'z')
        {
            lower[part] = true;
            c = static_cast<char>(c - 32);
        }
        else if (c >= 'A' && c <= 'Z')
            upper[part] = true;
        out[at++] = static_cast<BYTE>(c);
    }
    if ((upper[0] && lower[0]) || (upper[1] && lower[1]))
        return false;
    if (lower[0])
        caseFlags |= lowerBase;
    if (lower[1])
        caseFlags |= lowerExtension;
    return true;
}

// Finds a free entry in the directory (stretching it if needed); dir is left at it.
FRESULT DirAllocate(DIR& dir)
{
    FRESULT result = DirRewind(dir);
    FATFS& fs = *dir.fs;
    while (result == FR_OK)
    {
        if ((result = MoveWindow(fs, dir.sect)) != FR_OK)
            return result;
        const BYTE first = DirEntry(dir)[0];
        if (first == 0x00 || first == 0xE5)
            return FR_OK;
        result = DirNext(dir, true);
    }
    return result;
}

// Creates an entry named `name` in `dir` (the parent) with the given attributes and first
// cluster; dir is left at it.
FRESULT DirCreate(DIR& dir, const char* name, unsigned length, BYTE attributes, DWORD cluster)
{
    BYTE shortName[11];
    BYTE caseFlags = 0;
    if (!MakeShortName(name, length, shortName, caseFlags))
        return FR_INVALID_NAME;
    FRESULT result = DirAllocate(dir);
    if (result != FR_OK)
        return result;
    if ((result = MoveWindow(*dir.fs, dir.sect)) != FR_OK)
        return result;
    BYTE* entry = DirEntry(dir);
    std::memset(entry, 0, entrySize);
    std::memcpy(entry, shortName, 11);
    if (entry[0] == 0xE5)
        entry[0] = 0x05;
    entry[11] = attributes;
    entry[12] = caseFlags;
    Store16(entry + 14, fixedTime);
    Store16(entry + 16, fixedDate);
    Store16(entry + 18, fixedDate);
    Store16(entry + 22, fixedTime);
    Store16(entry + 24, fixedDate);
    SetEntryCluster(entry, cluster);
    dir.fs->wflag = 1;
    return FR_OK;
}

// Marks the entries of one file free, from its first long-name entry to its 8.3 entry.
FRESULT DirRemove(DIR& dir, DWORD firstEntry)
{
    const DWORD last = dir.index;
    DIR walker = dir;
    walker.index = firstEntry;
    DirRewind(walker);
    FRESULT result = FR_OK;
    while (result == FR_OK && walker.index < firstEntry)
        result = DirNext(walker, false);
    while (result == FR_OK)
    {
        if ((result = MoveWindow(*walker.fs, walker.sect)) != FR_OK)
            return result;
        DirEntry(walker)[0] = 0xE5;
        walker.fs->wflag = 1;
        if (walker.index >= last)
            break;
        result = DirNext(walker, false);
    }
    return result;
}

FRESULT SyncFile(FIL& file)
{
    FATFS& fs = *file.fs;
    if (file.flag & modifiedFlag)
    {
        FRESULT result = MoveWindow(fs, file.dir_sect);
        if (result != FR_OK)
            return result;
        BYTE* entry = fs.win + file.dir_offset;
        entry[11] |= AM_ARC;
        SetEntryCluster(entry, file.sclust);
        Store32(entry + 28, file.obj_size);
        Store16(entry + 22, fixedTime);
        Store16(entry + 24, fixedDate);
        Store16(entry + 18, fixedDate);
        fs.wflag = 1;
        file.flag &= static_cast<BYTE>(~modifiedFlag);
    }
    return SyncVolume(fs);
}

// The cluster that holds byte `position` of the file (allocating when `grow`); 0 when the chain
// ends before it.
FRESULT FileCluster(FIL& file, DWORD position, bool grow, DWORD& cluster)
{
    FATFS& fs = *file.fs;
    const DWORD index = position / (fs.csize * sectorSize);
    if (file.sclust == 0)
    {
        if (!grow)
        {
            cluster = 0;
            return FR_OK;
        }
        const DWORD created = CreateChain(fs, 0);
        if (ChainError(created) != FR_OK)
            return ChainError(created);
        file.sclust = created;
        file.flag |= modifiedFlag;
        file.clust = created;
        file.clust_index = 0;
    }
    if (file.clust == 0 || index < file.clust_index)
    {
        file.clust = file.sclust;
        file.clust_index = 0;
    }
    while (file.clust_index < index)
    {
        DWORD next = GetFat(fs, file.clust);
        if (next == 1)
            return FR_DISK_ERR;
        if (next == 0xFFFFFFFF || next < 2)
            return FR_INT_ERR;
        if (next >= EndOfChain(fs))
        {
            if (!grow)
            {
                cluster = 0;
                return FR_OK;
            }
            next = CreateChain(fs, file.clust);
            if (ChainError(next) != FR_OK)
                return ChainError(next);
        }
        file.clust = next;
        ++file.clust_index;
    }
    cluster = file.clust;
    return FR_OK;
}

} // namespace

FRESULT f_mount(FATFS* fs, const char* path, BYTE opt)
{
    if (path == nullptr)
        path = "";
    if (path[0] != '\0' && !(path[0] == '0' && path[1] == ':' && path[2] == '\0'))
        return FR_INVALID_DRIVE;
    if (m_volume != nullptr)
        m_volume->fs_type = 0; // objects opened on it become invalid
    m_volume = fs;
    if (fs == nullptr)
        return FR_OK;
    fs->fs_type = 0;
    fs->drive = 0;
    fs->wflag = 0;
    fs->winsect = noSector;
    return opt == 1 ? Mount(*fs) : FR_OK;
}

FRESULT f_open(FIL* fp, const char* path, BYTE mode)
{
    if (fp == nullptr || path == nullptr)
        return FR_INVALID_OBJECT;
    fp->fs = nullptr;
    Target t;
    FRESULT result = Locate(path, t);
    if (result != FR_OK)
        return result;
    if (t.length == 0)
        return FR_INVALID_NAME; // the root directory is no file
    result = DirFind(t.dir, t.name, t.length, t.info, nullptr);
    const BYTE create = mode & (FA_CREATE_NEW | FA_CREATE_ALWAYS | FA_OPEN_ALWAYS);
    if (result == FR_NO_FILE && create != 0)
    {
        if ((result = DirCreate(t.dir, t.name, t.length, AM_ARC, 0)) != FR_OK)
            return result;
    }
    else if (result != FR_OK)
        return result;
    else
    {
        if (mode & FA_CREATE_NEW)
            return FR_EXIST;
        if (t.info.fattrib & AM_DIR)
            return FR_NO_FILE;
        if ((mode & FA_WRITE) && (t.info.fattrib & AM_RDO))
            return FR_DENIED;
    }
    if ((result = MoveWindow(*t.fs, t.dir.sect)) != FR_OK)
        return result;
    BYTE* entry = DirEntry(t.dir);
    fp->fs = t.fs;
    fp->id = t.fs->id;
    fp->flag = mode & (FA_READ | FA_WRITE);
    fp->dir_sect = t.dir.sect;
    fp->dir_offset = static_cast<WORD>((t.dir.index % entriesPerSector) * entrySize);
    fp->sclust = EntryCluster(*t.fs, entry);
    fp->obj_size = Load32(entry + 28);
    fp->fptr = 0;
    fp->clust = 0;
    fp->clust_index = 0;
    if ((mode & FA_CREATE_ALWAYS) && (fp->sclust != 0 || fp->obj_size != 0))
    {
        const DWORD chain = fp->sclust;
        fp->sclust = 0;
        fp->obj_size = 0;
        fp->flag |= modifiedFlag;
        if ((result = SyncFile(*fp)) != FR_OK || (result = RemoveChain(*t.fs, chain)) != FR_OK ||
            (result = SyncVolume(*t.fs)) != FR_OK)
        {
            fp->fs = nullptr;
            return result;
        }
    }
    if ((mode & FA_OPEN_APPEND) == FA_OPEN_APPEND)
        fp->fptr = fp->obj_size;
    return SyncVolume(*t.fs);
}

FRESULT f_close(FIL* fp)
{
    FRESULT result = f_sync(fp);
    if (result == FR_OK || result == FR_INVALID_OBJECT)
        fp->fs = nullptr;
    return result;
}

FRESULT f_sync(FIL* fp)
{
    if (fp == nullptr || !Valid(fp->fs, fp->id))
        return FR_INVALID_OBJECT;
    return SyncFile(*fp);
}

FRESULT f_read(FIL* fp, void* buffer, UINT count, UINT* read)
{
    if (read != nullptr)
        *read = 0;
    if (fp == nullptr || !Valid(fp->fs, fp->id))
        return FR_INVALID_OBJECT;
    if ((fp->flag & FA_READ) == 0)
        return FR_DENIED;
    FATFS& fs = *fp->fs;
    BYTE* out = static_cast<BYTE*>(buffer);
    if (count > fp->obj_size - fp->fptr)
        count = fp->obj_size - fp->fptr;
    while (count > 0)
    {
        DWORD cluster = 0;
        FRESULT result = FileCluster(*fp, fp->fptr, false, cluster);
        if (result != FR_OK)
            return result;
        if (cluster == 0)
            return FR_INT_ERR; // the chain is shorter than the size says
        const DWORD inCluster = fp->fptr % (fs.csize * sectorSize);
        if ((result = MoveWindow(fs, ClusterSector(fs, cluster) + inCluster / sectorSize)) != FR_OK)
            return result;
        const UINT offset = fp->fptr % sectorSize;
        UINT chunk = sectorSize - offset;
        if (chunk > count)
            chunk = count;
        std::memcpy(out, fs.win + offset, chunk);
        out += chunk;
        count -= chunk;
        fp->fptr += chunk;
        if (read != nullptr)
            *read += chunk;
    }
    return FR_OK;
}

FRESULT f_write(FIL* fp, const void* buffer, UINT count, UINT* written)
{
    if (written != nullptr)
        *written = 0;
    if (fp == nullptr || !Valid(fp->fs, fp->id))
        return FR_INVALID_OBJECT;
    if ((fp->flag & FA_WRITE) == 0)
        return FR_DENIED;
    FATFS& fs = *fp->fs;
    const BYTE* in = static_cast<const BYTE*>(buffer);
    // A file cannot grow past 4 GiB - 1.
    if (count > 0xFFFFFFFF - fp->fptr)
        count = 0xFFFFFFFF - fp->fptr;
    while (count > 0)
    {
        DWORD cluster = 0;
        FRESULT result = FileCluster(*fp, fp->fptr, true, cluster);
        if (result == FR_DENIED)
            break; // the volume is full: what fitted is written
        if (result != FR_OK)
            return result;
        const DWORD sector = ClusterSector(fs, cluster) + fp->fptr % (fs.csize * sectorSize) / sectorSize;
        const UINT offset = fp->fptr % sectorSize;
        UINT chunk = sectorSize - offset;
        if (chunk > count)
            chunk = count;
        // A sector that is overwritten whole, or that lies past the end of the file, need not
        // be read first.
        const bool fresh = chunk == sectorSize || fp->fptr - offset >= fp->obj_size;
        result = fresh ? ClaimWindow(fs, sector) : MoveWindow(fs, sector);
        if (result != FR_OK)
            return result;
        if (fresh && chunk != sectorSize)
            std::memset(fs.win, 0, sectorSize);
        std::memcpy(fs.win + offset, in, chunk);
        fs.wflag = 1;
        in += chunk;
        count -= chunk;
        fp->fptr += chunk;
        if (fp->fptr > fp->obj_size)
            fp->obj_size = fp->fptr;
        fp->flag |= modifiedFlag;
        if (written != nullptr)
            *written += chunk;
    }
    return FR_OK;
}

FRESULT f_lseek(FIL* fp, DWORD offset)
{
    if (fp == nullptr || !Valid(fp->fs, fp->id))
        return FR_INVALID_OBJECT;
    // Reading files cannot be positioned past their end; written files grow to the position.
    if (offset > fp->obj_size && (fp->flag & FA_WRITE) == 0)
        offset = fp->obj_size;
    if (offset > fp->obj_size)
    {
        fp->fptr = fp->obj_size;
        static const BYTE zeros[64] = {};
        while (fp->fptr < offset)
        {
            UINT chunk = offset - fp->fptr > sizeof zeros ? sizeof zeros : offset - fp->fptr;
            UINT done = 0;
            FRESULT result = f_write(fp, zeros, chunk, &done);
            if (result != FR_OK)
                return result;
            if (done < chunk)
                return FR_DENIED;
        }
        return FR_OK;
    }
    fp->fptr = offset;
    return FR_OK;
}

namespace
{

FRESULT OpenDirectory(DIR* dp, const char* path)
{
    if (dp == nullptr || path == nullptr)
        return FR_INVALID_OBJECT;
    dp->fs = nullptr;
    FATFS* fs = nullptr;
    const char* name;
    unsigned length;
    FILINFO info;
    FRESULT result = Locate(path, fs, *dp, name, length, info);
    if (result != FR_OK)
        return result;
    if (length != 0)
    {
        result = DirFind(*dp, name, length, info, nullptr);
        if (result == FR_NO_FILE)
            return FR_NO_PATH;
        if (result != FR_OK)
            return result;
        if ((info.fattrib & AM_DIR) == 0)
            return FR_NO_PATH;
        dp->sclust = EntryCluster(*fs, DirEntry(*dp));
    }
    DirRewind(*dp);
    return FR_OK;
}

} // namespace

FRESULT f_opendir(DIR* dp, const char* path)
{
    const FRESULT result = OpenDirectory(dp, path);
    // A directory that did not open is no open object.
    if (result != FR_OK && dp != nullptr)
        dp->fs = nullptr;
    return result;
}

FRESULT f_readdir(DIR* dp, FILINFO* info)
{
    if (dp == nullptr || !Valid(dp->fs, dp->id))
        return FR_INVALID_OBJECT;
    if (info == nullptr)
        return DirRewind(*dp);
    // Sector 0 is the boot sector, never a directory's: it marks a listing that has ended.
    FRESULT result = dp->sect == 0 ? FR_NO_FILE : DirRead(*dp, info, nullptr);
    if (result == FR_NO_FILE)
    {
        info->fname[0] = '\0';
        info->altname[0] = '\0';
        return FR_OK;
    }
    if (result != FR_OK)
        return result;
    result = DirNext(*dp, false);
    if (result == FR_NO_FILE)
    {
        dp->sect = 0;
        return FR_OK;
    }
    return result;
}

FRESULT f_closedir(DIR* dp)
{
    if (dp == nullptr || !Valid(dp->fs, dp->id))
        return FR_INVALID_OBJECT;
    dp->fs = nullptr;
    return FR_OK;
}

FRESULT f_stat(const char* path, FILINFO* info)
{
    Target t;
    FRESULT result = Locate(path, t);
    if (result != FR_OK)
        return result;
    if (t.length == 0)
        return FR_INVALID_NAME;
    if ((result = DirFind(t.dir, t.name, t.length, t.info, nullptr)) != FR_OK)
        return result;
    if (info != nullptr)
        *info = t.info;
    return FR_OK;
}

FRESULT f_unlink(const char* path)
{
    Target t;
    FRESULT result = Locate(path, t);
    if (result != FR_OK)
        return result;
    if (t.length == 0)
        return FR_INVALID_NAME;
    DWORD first = 0;
    if ((result = DirFind(t.dir, t.name, t.length, t.info, &first)) != FR_OK)
        return result;
    if (t.info.fattrib & AM_RDO)
        return FR_DENIED;
    if ((result = MoveWindow(*t.fs, t.dir.sect)) != FR_OK)
        return result;
    const DWORD cluster = EntryCluster(*t.fs, DirEntry(t.dir));
    if (t.info.fattrib & AM_DIR)
    {
        DIR inside;
        inside.fs = t.fs;
        inside.id = t.fs->id;
        inside.sclust = cluster;
        DirRewind(inside);
        FILINFO child;
        result = DirRead(inside, &child, nullptr);
        if (result == FR_OK)
            return FR_DENIED; // not empty
        if (result != FR_NO_FILE)
            return result;
    }
    // Files still open on this entry would write it back: that is the caller's affair, as with
    // any FAT layer.
    if ((result = DirRemove(t.dir, first)) != FR_OK)
        return result;
    if (cluster != 0 && (result = RemoveChain(*t.fs, cluster)) != FR_OK)
        return result;
    return SyncVolume(*t.fs);
}

FRESULT f_mkdir(const char* path)
{
    Target t;
    FRESULT result = Locate(path, t);
    if (result != FR_OK)
        return result;
    if (t.length == 0)
        return FR_EXIST;
    result = DirFind(t.dir, t.name, t.length, t.info, nullptr);
    if (result == FR_OK)
        return FR_EXIST;
    if (result != FR_NO_FILE)
        return result;
    BYTE shortName[11];
    BYTE caseFlags;
    if (!MakeShortName(t.name, t.length, shortName, caseFlags))
        return FR_INVALID_NAME;
    const DWORD parent = t.dir.sclust == (t.fs->fs_type == fat32 ? t.fs->dirbase : 0) ? 0 : t.dir.sclust;
    const DWORD cluster = CreateChain(*t.fs, 0);
    if (ChainError(cluster) != FR_OK)
        return ChainError(cluster);
    // The new directory's cluster: "." and "..", the rest cleared.
    for (DWORD s = 0; s < t.fs->csize; ++s)
    {
        if ((result = ClaimWindow(*t.fs, ClusterSector(*t.fs, cluster) + s)) != FR_OK)
            return result;
        std::memset(t.fs->win, 0, sectorSize);
        if (s == 0)
        {
            for (unsigned e = 0; e < 2; ++e)
            {
                BYTE* entry = t.fs->win + e * entrySize;
                std::memset(entry, ' ', 11);
                entry[0] = '.';
                if (e == 1)
                    entry[1] = '.';
                entry[11] = AM_DIR;
                Store16(entry + 22, fixedTime);
                Store16(entry + 24, fixedDate);
                SetEntryCluster(entry, e == 0 ? cluster : parent);
            }
        }
        t.fs->wflag = 1;
    }
    if ((result = DirCreate(t.dir, t.name, t.length, AM_DIR, cluster)) != FR_OK)
    {
        RemoveChain(*t.fs, cluster);
        SyncVolume(*t.fs);
        return result;
    }
    return SyncVolume(*t.fs);
}
