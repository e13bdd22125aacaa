/* The FreeType modules the firmware registers: the built-in font is TrueType, its glyphs are
 * loaded as outlines (hinted by the font's own instructions, or by the auto-hinter where a glyph
 * has none), and the smooth rasterizer is the renderer FreeType expects for outline glyphs. */
FT_USE_MODULE(FT_Module_Class, autofit_module_class)
FT_USE_MODULE(FT_Driver_ClassRec, tt_driver_class)
FT_USE_MODULE(FT_Module_Class, sfnt_module_class)
FT_USE_MODULE(FT_Renderer_Class, ft_smooth_renderer_class)
