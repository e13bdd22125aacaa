#pragma once

// Where FreeType's system layer (ft_alloc, ft_free, ft_realloc, FT_New_Memory, FT_Done_Memory)
// gets its memory, so that the font engine allocates from the system heap like the rest of the
// firmware.

#ifdef __cplusplus
extern "C" {
#endif

void* FT_User_Malloc(unsigned int size);
void FT_User_Free(void* block);
void* FT_User_Realloc(void* block, unsigned int size);

#ifdef __cplusplus
}
#endif
