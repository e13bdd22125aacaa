/* FreeType's system layer on the board: its memory comes from the system heap through the
 * FT_User_* hooks, and it opens no files (fonts are read through caller-supplied streams). This
 * unit takes the place of FreeType's own ftsystem.c in the board image. */

#include "graphics/FreeTypeHooks.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYSTEM_H

#include <stdlib.h>

static void* ft_alloc(FT_Memory memory, long size)
{
    (void)memory;
    return FT_User_Malloc((unsigned int)size);
}

static void ft_free(FT_Memory memory, void* block)
{
    (void)memory;
    FT_User_Free(block);
}

static void* ft_realloc(FT_Memory memory, long currentSize, long newSize, void* block)
{
    (void)memory;
    (void)currentSize;
    return FT_User_Realloc(block, (unsigned int)newSize);
}

FT_Memory FT_New_Memory(void)
{
    FT_Memory memory = (FT_Memory)FT_User_Malloc(sizeof(*memory));
    if (memory != NULL)
    {
        memory->user = NULL;
        memory->alloc = ft_alloc;
        memory->realloc = ft_realloc;
        memory->free = ft_free;
    }
    return memory;
}

void FT_Done_Memory(FT_Memory memory)
{
    FT_User_Free(memory);
}

/* Declared in FreeType's internal stream header. There is no file system for FreeType to use:
 * opening a font by path name always fails. */
FT_Error FT_Stream_Open(FT_Stream stream, const char* filepathname);

FT_Error FT_Stream_Open(FT_Stream stream, const char* filepathname)
{
    (void)filepathname;
    if (stream != NULL)
    {
        stream->base = NULL;
        stream->size = 0;
        stream->pos = 0;
    }
    return FT_Err_Cannot_Open_Resource;
}
