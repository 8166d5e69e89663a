// The command table: every command a script can call, once, in one row each.
//
//   CMD(Name, folder, arg1, arg2, arg3, arg4, concepts, "what it does")
//
// The folder is the subsystem (and the C++ namespace qv::folder) that implements the
// command. Argument kinds:
//   SCR   pointer to a screen record (BMSCR)
//   VAR   pointer to a variable record (PVAL)
//   STR   pointer to zero-terminated text
//   WSTR  pointer to zero-terminated text the command writes into (an archive locator, whose
//         first comma becomes a zero byte, as scripts expect)
//   PTR   pointer to a variable's storage (the host passes the buffer itself)
//   INT   signed 32-bit integer
//   NONE  ignored, whatever it holds
//
// The concepts are the terms of docs/concepts.md the command's reference row links to, beyond
// those its argument kinds bring (screens, variables, buffers): POS the current position,
// CLIP the clipped area, COPY the copy area, TABLE the screen table, MODES the transparency
// modes, SETTINGS a setting that a later command uses, SCALING turning and scaling between
// screens; joined with |, or 0.
//
// This file is included with CMD defined to declare the commands (command_decls.h), to
// build the exported stdcall thunks (host/exports.cpp), the runner's argument parsing
// (tools/run) and the export list and docs/commands.md (tools/reference, which the build
// runs). A command enters the table only when it works and is tested.
//
// No include guard: it is meant to be expanded more than once.

// Screen table
CMD(SetBMSCR, host, SCR, INT, INT, NONE, TABLE, "store a screen in table slot arg3 (above 8: slot 8; negative: none) and set copy_redraw to arg2")
CMD(SetBMNo, host, INT, NONE, NONE, NONE, TABLE, "select the current table slot (outside 0 to 8: slot 0)")

// JPEG: decoding, encoding, sizes
CMD(JpegLoad, jpeg, SCR, STR, INT, INT, POS, "decode the JPEG stream at byte offset arg4 of file arg2 into the screen at its position; arg3 bits 0-3: DCT (1 accurate, 2 fast, 3 float)")
CMD(JpegSize, jpeg, VAR, STR, INT, NONE, 0, "store the width and height of the JPEG stream at offset arg3 of file arg2 in data[0], data[1]")
CMD(JpegSave, jpeg, SCR, STR, INT, INT, POS | SETTINGS, "save arg3 x arg4 pixels at the screen's position (cut at its edges: 1000 x 1000 on a 600 x 400 screen saves 600 x 400) as JPEG file arg2, with the JpegParam/JpegParam2 settings and a pending comment")
CMD(JpegParam, jpeg, INT, INT, INT, INT, 0, "encoder settings: quality 1-100, DCT (1 accurate, 2 fast, 3 float), flags (1 progressive, 2 grayscale), smoothing 1-100")
CMD(JpegParam2, jpeg, INT, INT, INT, INT, 0, "encoder settings: luminance sampling h, v (1 or 2), density x, y in dots per inch (out of range: default)")
CMD(JpegLoadParam, jpeg, INT, INT, NONE, NONE, SETTINGS, "how the JPEG load and size commands read pictures: at 1/arg1 of their size (1, 2, 4 or 8); arg2 bit 0: turned and mirrored by the EXIF orientation, bit 1: CMYK and YCCK converted to colours")
CMD(JpegComment, jpeg, VAR, INT, INT, NONE, SETTINGS, "write the text of the variable as a comment in the next saved JPEG (arg2: maximum length; arg3 nonzero: forget the comment)")

// JPEG: memory and pack-archive sources, comments
CMD(SetJpegMem, jpeg, VAR, INT, NONE, NONE, SETTINGS, "use the variable's bytes (arg2 of them, 9 or more, else the whole first dimension) as JPEG data for the next memory command")
CMD(JpegLoadMem, jpeg, SCR, INT, NONE, NONE, POS | SETTINGS, "decode the JPEG data set by SetJpegMem into the screen at its position (arg2: DCT as JpegLoad)")
CMD(JpegSizeMem, jpeg, VAR, NONE, NONE, NONE, SETTINGS, "store the width and height of the JPEG data set by SetJpegMem in data[0], data[1]")
CMD(GetJpegCommentMem, jpeg, VAR, INT, NONE, NONE, SETTINGS, "read the comment (arg2 0) or APP12 text (arg2 nonzero) of the JPEG data set by SetJpegMem")
CMD(JpegLoadDpm, jpeg, SCR, STR, INT, WSTR, 0, "decode pack-archive entry arg2 into the screen; arg4: \"archive path,start offset\"; arg3: DCT as JpegLoad")
CMD(JpegOrient, jpeg, VAR, STR, INT, NONE, 0, "store the EXIF orientation of the JPEG stream at offset arg3 of file arg2 in data[0]: 1-8 (6: to be turned 90 degrees clockwise), 0 when it has none")
CMD(JpegOrientMem, jpeg, VAR, VAR, INT, NONE, 0, "store the EXIF orientation of the JPEG stream in variable arg2 (its first arg3 bytes; 0 or more than it holds: all) in data[0], as JpegOrient")
CMD(JpegOrientDpm, jpeg, VAR, STR, NONE, WSTR, 0, "store the EXIF orientation of pack-archive entry arg2 in data[0], as JpegOrient; arg4: \"archive path,start offset\"")
CMD(JpegSizeDpm, jpeg, VAR, STR, NONE, WSTR, 0, "store the width and height of pack-archive entry arg2 in data[0], data[1]; arg4: \"archive path,start offset\"")
CMD(GetJpegCommentDpm, jpeg, VAR, STR, INT, WSTR, 0, "read the comment (arg3 0) or APP12 text of pack-archive entry arg2; arg4: \"archive path,start offset\"")
CMD(GetJpegComment, jpeg, VAR, STR, INT, INT, 0, "read the comment (arg3 0) or APP12 text of the JPEG stream at offset arg4 of file arg2")

// Pi pictures and picture save
CMD(PiLoad, pi, SCR, STR, INT, PTR, POS, "load Pi file arg2 into the screen; arg3 bits 0-3 nonzero: no refresh, bits 4-7 nonzero: at the position; arg4: 768-byte palette buffer (palette screens)")
CMD(PiLoadMem, pi, SCR, INT, NONE, PTR, SETTINGS, "load the Pi picture registered by SetPiMem into the screen; arg2 and arg4 as PiLoad")
CMD(SetPiMem, pi, VAR, INT, NONE, NONE, SETTINGS, "register the variable's bytes as Pi data for PiLoadMem and PiInfoMem (arg2 nonzero: forget it)")
CMD(PiInfo, pi, VAR, STR, NONE, NONE, 0, "store the width and height of Pi file arg2 in data[0], data[1]")
CMD(PiInfoMem, pi, VAR, NONE, NONE, NONE, SETTINGS, "store the width and height of the registered Pi data in data[0], data[1]")
CMD(PiTransColour, pi, INT, INT, NONE, NONE, SETTINGS, "transparent colour for Pi loads: 0-255 an index, 256-384 a tolerance around the screen's colour; arg2 0 or other values: none")
CMD(PiDllAbout, pi, NONE, NONE, NONE, NONE, 0, "show the Pi loader's about box")
CMD(PicSave, pi, SCR, STR, INT, INT, COPY, "save the screen: arg4 1: FAL pair of the copy area (arg3 1: .fal header, else .ipr); else a bitmap (8-bit: palette screen and arg3 1)")

// PNG pictures
CMD(PngLoad, png, SCR, STR, INT, INT, POS | MODES, "decode the PNG stream at byte offset arg4 of file arg2 into the screen at its position; arg3: transparency mode (0 composite by alpha, 1 copy the colours, 2 only pixels of alpha 128 or more, 3 the alpha as grey)")
CMD(PngSize, png, VAR, STR, INT, NONE, 0, "store the width and height of the PNG stream at offset arg3 of file arg2 in data[0], data[1]")
CMD(PngLoadMem, png, SCR, VAR, INT, INT, POS | MODES, "decode the PNG stream held in variable arg2 (its first arg4 bytes; 0 or more than it holds: all of its first dimension) into the screen at its position; arg3: mode as PngLoad")
CMD(PngSizeMem, png, VAR, VAR, INT, NONE, 0, "store the width and height of the PNG stream held in variable arg2 (arg3 bytes as PngLoadMem) in data[0], data[1]")
CMD(PngLoadDpm, png, SCR, STR, INT, WSTR, POS | MODES, "decode pack-archive entry arg2 into the screen at its position; arg4: \"archive path,start offset\"; arg3: mode as PngLoad")
CMD(PngSizeDpm, png, VAR, STR, NONE, WSTR, 0, "store the width and height of pack-archive entry arg2 in data[0], data[1]; arg4: \"archive path,start offset\"")
CMD(PngSave, png, SCR, STR, INT, INT, POS, "save arg3 x arg4 pixels at the screen's position (cut at its edges) as PNG file arg2: a palette screen as an indexed picture with its colours, else 8-bit RGB, with the PngParam settings")
CMD(PngParam, png, INT, INT, NONE, NONE, 0, "encoder settings: compression level 0-9 (at load: 6), flags (bit 0: interlaced)")

// WebP pictures
CMD(WebpLoad, webp, SCR, STR, INT, INT, POS | MODES, "decode the WebP stream at byte offset arg4 of file arg2 (an animation: its first frame) into the screen at its position; arg3: transparency mode as PngLoad")
CMD(WebpSize, webp, VAR, STR, INT, NONE, 0, "store the width and height of the WebP stream at offset arg3 of file arg2 in data[0], data[1], and in data[2] (when the variable has room) 1 if it has alpha, else 0")
CMD(WebpLoadMem, webp, SCR, VAR, INT, INT, POS | MODES, "decode the WebP stream held in variable arg2 (its first arg4 bytes; 0 or more than it holds: all of its first dimension) into the screen at its position; arg3: mode as PngLoad")
CMD(WebpSizeMem, webp, VAR, VAR, INT, NONE, 0, "store the size (and alpha) of the WebP stream held in variable arg2 (arg3 bytes as WebpLoadMem) as WebpSize does")
CMD(WebpLoadDpm, webp, SCR, STR, INT, WSTR, POS | MODES, "decode pack-archive entry arg2 into the screen at its position; arg4: \"archive path,start offset\"; arg3: mode as PngLoad")
CMD(WebpSizeDpm, webp, VAR, STR, NONE, WSTR, 0, "store the size (and alpha) of pack-archive entry arg2 as WebpSize does; arg4: \"archive path,start offset\"")
CMD(WebpSave, webp, SCR, STR, INT, INT, POS | SETTINGS, "save arg3 x arg4 pixels at the screen's position (cut at its edges) as WebP file arg2 (a palette screen as its colours), with the WebpParam settings")
CMD(WebpParam, webp, INT, INT, INT, NONE, SETTINGS, "encoder settings: quality 0-100 (at load: 80), flags (bit 0: lossless, every colour kept), effort 0-6 (at load: 4)")

// Colour effects
CMD(ChangeColMode, effects, INT, NONE, NONE, NONE, 0, "GChangeCol mode: 1 also paints the pixels that do not match with the other colour")
CMD(SetChangeCol, effects, INT, INT, INT, INT, SETTINGS, "set GChangeCol's colour (red, green, blue): arg4 0 the match colour, else the other colour")
CMD(GChangeCol, effects, SCR, INT, INT, INT, CLIP, "in the clipped area, paint pixels within tolerances arg2-4 (red, green, blue) of the screen's colour")
CMD(ToneChange, effects, SCR, INT, INT, PTR, POS | COPY, "saturation and brightness of the copy area at the position (a 0 x 0 area: nothing): arg3 1 paler, -1 deeper (level arg2 1-255), else by percent arg2 (1-1000); palette screens scale the palette arg4")
CMD(Monotone, effects, SCR, INT, INT, NONE, CLIP | COPY, "turn the clipped area (a 0 x 0 copy area: the whole screen) grey by luma, tinted with hue arg2 and saturation arg3")
CMD(NoiseCol, effects, SCR, INT, INT, INT, POS, "colour noise of arg4 percent (0-100) over arg2 x arg3 pixels at the position")
CMD(NoiseLD, effects, SCR, INT, INT, INT, POS, "brightness noise of arg4 percent (0-100) over arg2 x arg3 pixels at the position")
CMD(SetMixColour, effects, INT, INT, INT, INT, SETTINGS, "set HalfTone's colour (red, green, blue) and ratio arg4 percent")
CMD(HalfTone, effects, SCR, INT, INT, INT, POS, "blend arg2 x arg3 pixels at the position toward the mix colour; arg4 bits: 1 blue, 2 green, 4 red")
CMD(HSVtoRGB, effects, VAR, INT, INT, INT, 0, "convert hue, saturation, value to red, green, blue in data[0..2]")
CMD(RGBtoHSV, effects, VAR, INT, INT, INT, 0, "convert red, green, blue to hue, saturation, value in data[0..2]")
CMD(YCCtoRGB, effects, VAR, INT, INT, INT, 0, "convert Y, Cb, Cr to red, green, blue in data[0..2]")
CMD(RGBtoYCC, effects, VAR, INT, INT, INT, 0, "convert red, green, blue to Y, Cb, Cr in data[0..2]")

// Neighbourhood filters
CMD(SetMatrix, effects, VAR, INT, NONE, NONE, 0, "set the 7 x 7 convolution matrix from 49 integers and its divisor arg2 (0 is 1)")
CMD(GMatrix, effects, SCR, INT, INT, INT, POS, "convolve arg2 x arg3 pixels at the position with the matrix; arg4: 0 3x3, 1 5x5, 2-3 7x7")
CMD(Edge, effects, SCR, INT, INT, NONE, POS | SETTINGS, "sharpen arg2 x arg3 pixels at the position (loads its matrix for GMatrix)")
CMD(OutLine, effects, SCR, INT, INT, NONE, POS | SETTINGS, "outline arg2 x arg3 pixels at the position (loads its matrix for GMatrix)")
CMD(Median, effects, SCR, INT, INT, INT, POS, "3x3 filter over arg2 x arg3 pixels at the position: arg4 1 minimum, 2 maximum, else median")
CMD(Emboss, effects, SCR, INT, INT, NONE, POS, "emboss relief over arg2 x arg3 pixels at the position (below 1: the whole screen)")

// Mosaic, blur and roughening
CMD(SetMosaicSize, effects, INT, INT, NONE, NONE, 0, "set the mosaic cell width and height")
CMD(Mosaic, effects, SCR, INT, INT, NONE, POS, "mosaic of arg2 x arg3 pixels at the position in cells of SetMosaicSize")
CMD(Nijimi, effects, SCR, INT, INT, INT, POS, "weighted blur of arg2 x arg3 pixels at the position; arg4 bits 0-2 matrix 0-3, bits 4-6 window 3/5/7")
CMD(Rough, effects, SCR, INT, INT, INT, POS, "keep arg4 bits of each component (1-7; 9-15 fill below) over arg2 x arg3 pixels at the position")
CMD(Disper, effects, SCR, INT, INT, NONE, POS, "shuffle the pixels of every 8 x 8 block of arg2 x arg3 pixels at the position, one random order")

// Keyed copy and blending
CMD(SetKeyScr, compose, SCR, INT, INT, NONE, SETTINGS, "remember the key screen and its origin arg2, arg3 for GCopyKey and GCopyKey2")
CMD(SetOrgScr, compose, SCR, INT, INT, NONE, SETTINGS, "remember the (full-colour) source screen and its origin for GCopyKey and GCopyKey2")
CMD(GCopyKey, compose, SCR, INT, INT, NONE, POS, "copy arg2 x arg3 source pixels to the position where the key byte is 0")
CMD(GCopyKey2, compose, SCR, INT, INT, NONE, POS, "blend arg2 x arg3 source pixels into the position by the key byte (0 source, 255 destination)")
CMD(GMergeParam, compose, INT, INT, INT, INT, TABLE | SETTINGS, "GMerge's weights (destination arg1, source arg2; 1024 = 100%) and the table screen's origin arg3, arg4")
CMD(GMerge, compose, SCR, INT, INT, NONE, POS | TABLE, "merge arg2 x arg3 pixels of the table screen into the position by the GMergeParam weights")
CMD(GShade, compose, SCR, INT, INT, INT, TABLE, "brighten or darken arg2 x arg3 pixels by the table screen's key bytes (128 none), strength arg4")
CMD(GDiff, compose, SCR, INT, INT, INT, POS | TABLE, "arg4 x table screen - destination over arg2 x arg3 pixels at the position")
CMD(GAutoAnd, compose, SCR, INT, INT, NONE, COPY, "AND the copy area's components arg3 (1 blue, 2 green, 4 red; palette: indexes) with arg2")
CMD(GAutoOr, compose, SCR, INT, INT, NONE, COPY, "OR the copy area's components arg3 with arg2")
CMD(GAutoExor, compose, SCR, INT, INT, NONE, COPY, "XOR the copy area's components arg3 with arg2")

// Geometry
CMD(GRotPos, compose, INT, INT, INT, INT, SETTINGS | SCALING, "GRot's centre arg1, arg2 (one point for both screens: that far from the target rectangle's corner and from the source's position), step arg3 (256 = 1:1, 512 half size) and key arg4 (256-511: value arg4 - 256 transparent)")
CMD(GRot, compose, SCR, INT, INT, INT, POS | TABLE | SCALING, "draw the table screen, from its position to its edges, turned clockwise by arg4 degrees about the GRotPos centre, into arg2 x arg3 pixels at the position")
CMD(Flip_V, compose, SCR, INT, INT, NONE, POS, "mirror arg2 x arg3 pixels at the position top to bottom")
CMD(Flip_H, compose, SCR, INT, INT, NONE, POS, "mirror arg2 x arg3 pixels at the position left to right")
CMD(GUscroll, compose, SCR, INT, INT, INT, 0, "move rows arg2 .. arg2 + arg3 - 1 up by |arg4| (negative: clear what is uncovered)")
CMD(GDscroll, compose, SCR, INT, INT, INT, 0, "move rows arg2 .. arg2 + arg3 - 1 down by |arg4| (negative: clear what is uncovered)")
CMD(GDscrollF, compose, SCR, INT, INT, NONE, COPY, "move the copy area's contents down arg2 rows (4-pixel columns); arg3 nonzero: clear the top")
CMD(GLscroll, compose, SCR, INT, INT, INT, POS, "move arg2 x arg3 pixels at the position left by |arg4| (negative: clear what is uncovered)")
CMD(GRscroll, compose, SCR, INT, INT, INT, POS, "move arg2 x arg3 pixels at the position right by |arg4| (negative: clear what is uncovered)")
CMD(ResampleParam, compose, INT, NONE, NONE, NONE, SETTINGS | SCALING, "Resample's filter: 0 area average, 1 bilinear, 2 bicubic (Catmull-Rom), 3 Lanczos-3 (the default), 4 nearest")
CMD(Resample, compose, SCR, SCR, INT, INT, POS | COPY | SCALING, "scale screen arg2's copy area at its position to arg3 x arg4 pixels at the position of screen arg1, with the ResampleParam filter")
CMD(SGzoomSize, compose, INT, INT, NONE, NONE, SETTINGS, "SGzoom's size on the desktop (0: the source's)")
CMD(SGzoom, compose, SCR, INT, INT, NONE, COPY, "draw the copy area (or the screen) stretched onto the desktop at arg2, arg3")
CMD(ScrRefresh, compose, NONE, NONE, NONE, NONE, 0, "repaint every window, removing what SGzoom drew")
CMD(SleepGcopy, compose, SCR, INT, INT, INT, POS | TABLE, "wait |arg2| ms from the frame time base (negative: pumping), then copy the table screen's area at arg3, arg4 to the position")

// Drawing
CMD(SetPenMode, draw, INT, INT, NONE, NONE, 0, "pen for the drawing commands' thick/flags choice: width arg1 (1 or more), style arg2 (0 solid, 1 dash, 2 dot, 3 dash-dot, 4 dash-dot-dot)")
CMD(SetBrushMode, draw, INT, NONE, NONE, NONE, 0, "hatch for flags bit 1: 0 diagonal /, 1 cross, 2 diagonal cross, 3 diagonal \\, 4 horizontal, 5 vertical")
CMD(RasterOperation, draw, SCR, INT, NONE, NONE, 0, "mix mode of the screen's drawing: 0 copy, 1 and, 2 or, 3 xor, 4 not copy, 5 invert, 6 not and, 7 not or, 8 not xor (others: copy)")
CMD(SetBorderColour, draw, SCR, INT, INT, INT, SETTINGS, "border colour for Paint2: red, green, blue arg2-4 (any negative: the screen's colour)")
CMD(Paint, draw, SCR, INT, INT, NONE, 0, "flood fill the area of the colour of pixel arg2, arg3 with the screen's colour; status 1 when it fails")
CMD(Paint2, draw, SCR, INT, INT, INT, 0, "flood fill from pixel arg2, arg3 up to border colour arg4 (negative: the SetBorderColour one)")
CMD(AutoLine_H, draw, SCR, INT, INT, NONE, POS | COPY, "horizontal lines every arg2 rows over the copy area at the position, in palette index arg3 or the screen's colour")
CMD(AutoLine_V, draw, SCR, INT, INT, NONE, POS | COPY, "vertical lines every arg2 columns over the copy area at the position, in palette index arg3 or the screen's colour")
CMD(DrawArc, draw, SCR, INT, INT, INT, POS | COPY, "arc of the ellipse at the position with radii of the copy area, ending at angle arg2 (0 up, counter-clockwise) over arg3 degrees; arg4 nonzero: the SetPenMode pen")
CMD(SetPolygon, draw, VAR, INT, INT, NONE, 0, "register arg2 points (x, y pairs) of the integer variable for the polygon commands; arg3 > 0 (or -1 after InvCapt): move them into window coordinates")
CMD(DrawPolyline, draw, SCR, INT, NONE, NONE, SETTINGS, "draw the registered points as a line; arg2 nonzero: the SetPenMode pen")
CMD(FillPolygon, draw, SCR, INT, NONE, NONE, SETTINGS, "fill the registered polygon; arg2 bit 0: the SetPenMode pen, bit 1: the SetBrushMode hatch")
CMD(SetBezier, draw, VAR, INT, NONE, NONE, 0, "register the 3 x arg2 - 2 points of the integer variable as a Bezier curve of arg2 - 1 segments")
CMD(DrawBezierline, draw, SCR, INT, NONE, NONE, SETTINGS, "draw the registered Bezier curve; arg2 nonzero: the SetPenMode pen")
CMD(FillEllipse, draw, SCR, INT, INT, INT, POS, "ellipse in the arg2 x arg3 box at the position; arg4 bit 0: the SetPenMode pen, bit 1: the SetBrushMode hatch")
CMD(FillRoundRect, draw, SCR, INT, INT, INT, POS | COPY, "rounded rectangle over the copy area at the position with arg2 x arg3 corners; arg4 as FillEllipse")

// Palettes
CMD(Set_PalBM, draw, SCR, NONE, NONE, NONE, 0, "register the palette screen that Get_Palette reads (a full-colour screen: none, status 1)")
CMD(Get_Palette, draw, VAR, NONE, NONE, NONE, SETTINGS, "write the registered screen's 256 palette colours (0xBBGGRR) into the integer variable")
CMD(Set_PalMem, draw, VAR, NONE, NONE, NONE, SETTINGS, "register an integer variable of 256 colours (0xBBGGRR) for Set_Palette")
CMD(Set_Palette, draw, SCR, INT, NONE, PTR, SETTINGS, "install the registered variable's colours as the screen's palette (arg4: the 768-byte palette buffer, written); arg2 nonzero: refresh")
CMD(RealizePal, draw, SCR, NONE, NONE, PTR, 0, "install the screen's palette again from its colour table (arg4: the 768-byte palette buffer, written) and refresh")
CMD(ColRefToRgb, draw, VAR, INT, NONE, NONE, 0, "data[0..2] = red, green, blue of colour arg2 (0xBBGGRR)")
CMD(RgbToColRef, draw, VAR, INT, INT, INT, 0, "data[0] = the colour 0xBBGGRR of red, green, blue arg2-4 (low bytes)")

// Window regions
CMD(SetCombineMode, draw, INT, NONE, NONE, NONE, 0, "how the Combine region commands join a shape to the window's region: 0 or, 1 and, 2 xor, 3 difference")
CMD(InvCapt, draw, SCR, INT, INT, NONE, SETTINGS, "caption offset for Pixel_Rgn and SetPolygon: the caption height, or arg2 when it is 0 or more and arg3 nonzero")
CMD(EllipRgn, draw, SCR, INT, INT, INT, POS, "shape the window as an ellipse arg2 x arg3 (0: default size); arg4 bits: 0-3 client area of a framed window, 4-7 circle, 8-11 client size, 12-15 at the position")
CMD(CombineEllipRgn, draw, SCR, INT, INT, INT, POS, "join an ellipse at the position (as EllipRgn) to the window's region by SetCombineMode")
CMD(RoundRectRgn, draw, SCR, INT, INT, INT, POS | COPY, "shape the window as the copy area at the position with arg2 x arg3 corners, moved down by arg4 (-1: the caption's, -2: the whole client area)")
CMD(CombineRoundRectRgn, draw, SCR, INT, INT, INT, 0, "join a rounded rectangle (as RoundRectRgn) to the window's region by SetCombineMode")
CMD(PolyRgn, draw, SCR, INT, NONE, NONE, SETTINGS, "shape the window as the registered polygon (arg2 nonzero: winding fill, else alternate)")
CMD(CombinePolyRgn, draw, SCR, INT, NONE, NONE, SETTINGS, "join the registered polygon (as PolyRgn) to the window's region by SetCombineMode")
CMD(Pixel_Rgn, draw, SCR, INT, INT, INT, POS, "shape the window as the pixels of the arg2 x arg3 area at the position that are not the screen's colour (palette: not index arg4)")

// Window placement and state
CMD(GetWinRect, window, SCR, INT, NONE, NONE, 0, "status = an edge of the window on the screen: arg2 1 top, 2 right, 3 bottom, else left")
CMD(SetWinPos, window, SCR, INT, INT, NONE, 0, "move the window's top-left corner to arg2, arg3 (screen coordinates), keeping its size")
CMD(SetWinSize, window, SCR, INT, INT, INT, POS, "size the window for a client area of about arg2 x arg3 (below 1: from the client area now); arg4 nonzero: move it to the position")
CMD(SetWinSize2, window, SCR, INT, INT, INT, POS, "set the window's outer size to arg2 x arg3; arg4 nonzero: move it to the position")
CMD(GetClientCurPos, window, SCR, INT, NONE, NONE, 0, "status = the mouse's x (arg2 1: y) in the client area; 268435455 when it is outside")
CMD(SetCursorClient, window, SCR, INT, INT, NONE, 0, "put the mouse at client point arg2, arg3")
CMD(Iconic, window, SCR, NONE, NONE, NONE, 0, "status 1 when the window is minimised")
CMD(Zoomed, window, SCR, NONE, NONE, NONE, 0, "status 1 when the window is maximised")
CMD(TobMinimize, window, SCR, NONE, NONE, NONE, 0, "minimise the window")
CMD(TobMaximize, window, SCR, NONE, NONE, NONE, 0, "maximise the window")
CMD(TobRestore, window, SCR, NONE, NONE, NONE, 0, "restore the window")
CMD(FlashWin, window, SCR, INT, NONE, NONE, 0, "flash the window's caption (arg2 nonzero) or turn it back")
CMD(DragWin, window, SCR, NONE, NONE, NONE, 0, "move the window with the mouse as if its caption were held, until the button is released")
CMD(WinEnable, window, SCR, INT, INT, NONE, 0, "enable (arg3 > 0), disable (< 0) or toggle (0) control arg2 of the screen (negative or 64: the window)")
CMD(ToTopWin, window, SCR, NONE, NONE, NONE, 0, "bring the window to the front")
CMD(SetWinZOrder, window, SCR, INT, NONE, NONE, 0, "show a hidden window at the top (arg2 bit 0) or the bottom, without activating it; status 1 when it is visible")
CMD(UnActivate, window, SCR, NONE, NONE, NONE, 0, "give the front to the next window, keeping this one shown; status 1 when it is not in front")
CMD(WinActivate, window, VAR, NONE, NONE, NONE, 0, "bring the first visible window whose title contains the variable's text to the front; status 2 when none does")
CMD(GetForeWinPos, window, VAR, NONE, NONE, NONE, 0, "data[0..3] = the front window's left, top, right, bottom; status 16 when it is the one seen last time")
CMD(SetWinLong, window, SCR, INT, INT, NONE, 0, "remove style arg2 and add style arg3: 1 caption, 2 dialog frame, 3 border, 4 sizing frame, 5/6 max/min box, 7 system menu, 8/9 scroll bars, 10 child, 11 clip children")
CMD(SetWinLongEx, window, SCR, INT, INT, NONE, 0, "remove extended style arg2 and add arg3: 1 tool window, 2 modal dialog frame, 3 transparent")
CMD(SetParentWnd, window, SCR, INT, NONE, NONE, SETTINGS, "save the (visible) window as the parent for ChangeParentWnd and the dialogs; arg2 nonzero: forget it")
CMD(ChangeParentWnd, window, SCR, NONE, NONE, NONE, 0, "make the window a child of the saved parent window")
CMD(GetVeshWin, window, SCR, NONE, NONE, NONE, 0, "disable the window's first child window (its style becomes WS_DISABLED alone)")
CMD(PaintDesktopImage, window, SCR, INT, INT, INT, 0, "copy the display into the buffer (arg2 nonzero: scaled to it; arg4 nonzero: the wallpaper first); status by arg3: 1/2 the buffer's size, 3/4 the display's")

// Controls and menus
CMD(MoveObject, window, SCR, INT, INT, INT, 0, "move control arg2 (0 to 63 of the screen's objects) to arg3, arg4 (negative: 0) in the client area")
CMD(ResizeObject, window, SCR, INT, INT, INT, 0, "size control arg2 to arg3 x arg4 (below 1: 16)")
CMD(Obj_Font, window, SCR, INT, NONE, NONE, 0, "give control arg2 the screen's current font")
CMD(BtnPush, window, SCR, INT, NONE, NONE, 0, "click button arg2, as if by the user, after the command returns")
CMD(CallCursor, window, SCR, INT, INT, NONE, 0, "put the mouse at the centre of control arg2 (arg3 nonzero: of the window)")
CMD(BS_Def, window, SCR, INT, NONE, NONE, 0, "make button arg2 the default button (its style)")
CMD(BS_Multi, window, SCR, INT, NONE, NONE, 0, "let button arg2's text take several lines (its style)")
CMD(BS_Ext, window, SCR, INT, INT, NONE, 0, "add button style arg3 to control arg2: 1 left text, 2-7 alignments, 8-14 check, radio and group boxes, 15 push-like, 16 flat, 17 owner-drawn, 19 icon, 20 bitmap")
CMD(SetTargetObj, window, SCR, INT, NONE, NONE, 0, "make control arg2 the one GetObjText reads")
CMD(GetObjText, window, VAR, NONE, NONE, NONE, 0, "read the target control's text into the variable (made a string); status = its length")
CMD(SetObjTable, window, SCR, NONE, NONE, NONE, SETTINGS, "remember the screen's 64 control slots")
CMD(CheckObjTable, window, SCR, NONE, NONE, NONE, SETTINGS, "mark each control slot that differs from the remembered one")
CMD(GetObjTable, window, VAR, NONE, NONE, NONE, 0, "data[0..63] = the marks of CheckObjTable (1: changed)")
CMD(CreatePopup, window, VAR, INT, INT, NONE, TABLE, "make popup menu slot arg3 (0 to 7) from the string array's first arg2 strings (\"-\": a separator)")
CMD(DoPopup, window, SCR, INT, INT, INT, 0, "show popup menu arg4 at screen point arg2, arg3; status = the chosen item's number, 0 when dismissed")
CMD(DestroyPopup, window, INT, NONE, NONE, NONE, 0, "destroy popup menu arg1 - 256 (256 to 263), or every one")
CMD(WinCaptSysMenu, window, SCR, INT, NONE, NONE, 0, "replace the window's style by a caption (arg2 nonzero: with the system menu; 0: its items deleted too)")
CMD(DelSysMenu, window, SCR, INT, INT, NONE, POS, "delete system menu items by bits of arg2: 1 close, 2 maximise, 4 minimise, 8 restore, 16 size, 32 move, 64 a separator, 256 position arg3; -1 all")
CMD(GetSysMenuCount, window, SCR, NONE, NONE, NONE, 0, "status = the number of items in the window's system menu (0 without a window or a system menu)")

// Clipboard and dropped files
CMD(GetClipTxt, clip, VAR, NONE, NONE, NONE, 0, "copy the clipboard's text into the string variable (as much as it holds)")
CMD(Txt2Clip, clip, VAR, INT, NONE, NONE, 0, "put the variable's text on the clipboard (arg2 > 0: at most that many bytes)")
CMD(Dib2Clip, clip, SCR, NONE, NONE, NONE, 0, "put the screen's picture on the clipboard as a DIB")
CMD(GetClipDib, clip, SCR, INT, INT, PTR, 0, "copy the clipboard's DIB (1, 4, 8 or 24 bits) into the screen at arg2, arg3; palette screens take its palette (arg4: the 768-byte palette buffer, written); V4 and V5 headers and colour tables shorter than 2^bits (biClrUsed) are read as they are")
CMD(GetClipInfo, clip, VAR, NONE, NONE, NONE, 0, "data[0..4] = what the clipboard holds (2 DIB, 1 text, 0 nothing), its size, and a DIB's bit count, width, height")
CMD(GetClipPng, clip, SCR, INT, INT, INT, MODES, "copy the clipboard's picture into the screen at arg2, arg3 (a coordinate outside the screen counts as 0): its \"PNG\" block, else a 32-bit bitmap with its alpha, else any bitmap GetClipDib reads; arg4: mode as PngLoad")
CMD(Png2Clip, clip, SCR, NONE, NONE, NONE, 0, "put the whole screen on the clipboard as \"PNG\" (with the PngParam settings) and as a DIB")
CMD(DDAccept, clip, SCR, INT, NONE, NONE, 0, "accept files dropped on the screen's window (arg2 nonzero), or stop; a destroyed window is forgotten; while it takes drops the library stays loaded (FreeLibrary leaves it), until they stop or the window goes")
CMD(DDDecline, clip, NONE, NONE, NONE, NONE, SETTINGS, "stop taking dropped files and finish a pending drop")
CMD(DDFileNo, clip, NONE, NONE, NONE, NONE, SETTINGS, "status = the number of files in the pending drop")
CMD(DDQueryFile, clip, VAR, INT, INT, NONE, SETTINGS, "file name arg2 (from 0) of the pending drop into the variable (made a string); arg3 nonzero: finish the drop; status = its length")
CMD(DDQueryPoint, clip, VAR, NONE, NONE, NONE, 0, "data[0], data[1] = where the files were dropped (client coordinates); status 1 inside the client area")
CMD(DDFinish, clip, NONE, NONE, NONE, NONE, SETTINGS, "finish the pending drop")

// Shell folders, environment, command line and shortcuts
CMD(GetShellDir, system, VAR, INT, NONE, NONE, 0, "the path of shell folder arg2 (0 desktop, 1 start menu, 2 programs, 3 startup, 4 send to, 5 recent, 6 favourites; others: desktop); status = its length + 1")
CMD(GetEnvVar, system, VAR, STR, NONE, NONE, 0, "the value of environment variable arg2 (undefined: the name in percent signs); status = its length + 1")
CMD(GetCmdLine, system, VAR, INT, NONE, NONE, 0, "the process's command line (arg2 nonzero: its arguments only; bits 4-7: without a leading \"obj \")")
CMD(SetShortCutParam, system, VAR, INT, INT, NONE, SETTINGS, "stage the variable's text as the next shortcut's working folder, and hotkey arg2 when arg3 is 1 or more (key | modifiers 1 shift, 2 ctrl, 4 alt << 8)")
CMD(SetShortCutArg, system, VAR, NONE, NONE, NONE, SETTINGS, "stage the variable's text as the next shortcut's arguments")
CMD(SetShortCutIcon, system, VAR, INT, NONE, NONE, SETTINGS, "stage the variable's text as the next shortcut's icon file, with icon number arg2")
CMD(SetShortCutShow, system, INT, NONE, NONE, NONE, SETTINGS, "stage how the next shortcut starts its program: 1 minimised, 2 maximised, else normally")
CMD(FreeShortCutParam, system, NONE, NONE, NONE, NONE, SETTINGS, "forget every staged shortcut property")
CMD(CreateShortCut, system, STR, STR, NONE, NONE, SETTINGS, "write shortcut file arg2 to arg1 with the staged properties (then forgotten); status 1 when it fails")
CMD(GetShortCutParam, system, VAR, STR, INT, NONE, 0, "read a property of shortcut file arg2 (.lnk): arg3 0 target, 1 arguments, 2 working folder, 3 hotkey (4 integers), 4 icon file, 5 icon number")

// System queries, dialogs, sound and input
CMD(GetWinVerEx, system, INT, NONE, NONE, PTR, 0, "write the system's name and version into the buffer (41 bytes); status by arg1 & 3: 0 platform (2 NT), 1 major, 2 minor, 3 none")
CMD(GetWinTemp, system, VAR, NONE, NONE, NONE, 0, "the temporary folder into the string variable; status = the size needed when it does not fit, 1 when the system has no temporary path")
CMD(GetSysMet, system, SCR, INT, NONE, NONE, POS, "status = window measurement arg2 (0-13, see WindowMetric: client size, caption, frame, position, display size)")
CMD(GetSysColour, system, VAR, INT, NONE, NONE, 0, "data[0..2] = red, green, blue of system colour arg2 (0 to 63)")
CMD(SetPriority, system, INT, INT, NONE, NONE, 0, "process priority arg1 (1 idle, 2 high, else normal) and thread priority arg2 (1 idle to 6 time-critical, else normal)")
CMD(PlayWave, system, VAR, NONE, NONE, NONE, 0, "start playing the wave file the variable names; status 1 when it cannot")
CMD(Bell, system, INT, INT, NONE, NONE, 0, "a tone of arg1 Hz (37 to 32767) for arg2 ms (at least 1)")
CMD(Bell2, system, INT, NONE, NONE, NONE, 0, "a system sound: 0 beep, 1 asterisk, 2 exclamation, 3 hand, 4 question, 5 default")
CMD(Ime_Open, system, SCR, INT, NONE, NONE, 0, "open (arg2 nonzero) or close the window's input method; status 1 when it cannot")
CMD(Inkey, system, VAR, NONE, NONE, NONE, 0, "wait for a key: data[0] = its code (characters for letters, digits and marks); status = modifiers 1 shift, 2 ctrl, 4 alt, 8 caps, 16 num lock")
CMD(SetFileMask, system, VAR, INT, NONE, NONE, SETTINGS, "filter the next file dialog by the string array's descriptions and patterns in turns (arg2 > 0: that many pairs); status 2 when it is longer than 4128 bytes")
CMD(FileMaskFree, system, NONE, NONE, NONE, NONE, 0, "forget the file mask")
CMD(GetOpenFile, system, VAR, STR, NONE, NONE, 0, "choose a file to open (the variable's text is the first name; arg2 the default extension); status 1 when cancelled")
CMD(GetSaveFile, system, VAR, STR, INT, NONE, 0, "choose a file to save to; arg3 bit 0: ask to create it, bit 1: ask to overwrite; status 1 when cancelled")
CMD(ExDialog, system, STR, STR, INT, INT, 0, "message box arg1 titled arg2: arg3 bits 0-2 icon, 4-6 buttons; arg4 2 or 3 the default button; status = the button (1 OK, 2 yes, 3 no, 4 cancel, 5 abort, 6 ignore, 7 retry)")
CMD(GetWeekDate, system, INT, INT, INT, INT, 0, "status = the weekday (1 Sunday to 7 Saturday) of year arg1, month arg2, day arg3; arg4 nonzero: 0 for a valid date, 1 for an invalid one")

// Timing
CMD(MMCountOn, timing, INT, INT, NONE, NONE, 0, "start the tick counter with a multimedia timer of period arg1 ms (arg2 nonzero: 1 ms resolution); resets the counts")
CMD(MMCountOff, timing, NONE, NONE, NONE, NONE, 0, "stop the multimedia timer")
CMD(GetMMCount, timing, VAR, INT, NONE, NONE, 0, "data[0] = the tick count, or since mark arg2 - 256 when arg2 is 256 to 265")
CMD(AdjustMMCountZero, timing, NONE, NONE, NONE, NONE, 0, "set the tick count and the pacing mark to 0")
CMD(SetNowMMCount, timing, INT, NONE, NONE, NONE, 0, "save the tick count in mark arg1 (0-9) and as the pacing mark")
CMD(MMCountWait, timing, VAR, NONE, NONE, NONE, 0, "wait data[0] ticks, pumping messages; status = ticks waited")
CMD(MMCountAWait, timing, VAR, NONE, INT, NONE, 0, "wait until data[0] ticks have passed since the pacing mark (or mark arg3 - 256), then move the mark")
CMD(SetNowTick, timing, NONE, NONE, NONE, NONE, 0, "set the frame time base of SleepGcopy to now")
CMD(AdjustTickZero, timing, INT, NONE, NONE, NONE, 0, "save the time in ms in tick mark arg1 (0-9)")
CMD(GetTick, timing, VAR, INT, NONE, NONE, 0, "data[0] = ms since tick mark arg2 (0-9)")
CMD(TickWait, timing, VAR, INT, INT, NONE, 0, "wait data[0] ms from now or tick mark arg3 - 256; arg2 nonzero: pump messages; status = ms waited")
CMD(TobSleep, timing, INT, NONE, NONE, NONE, 0, "sleep arg1 ms without pumping messages")
CMD(ProcMes, timing, NONE, NONE, NONE, NONE, 0, "dispatch the pending window messages (a quit message ends the process)")

// String commands
CMD(MapStr, text, VAR, STR, INT, NONE, 0, "map text arg2 into the variable by the user's locale: arg3 bits 1 full width (also none), 2 half width, 4 hiragana, 8 katakana, 16 lower, 32 upper")
CMD(UpperCase, text, VAR, NONE, NONE, NONE, 0, "upper case by the user's locale (full-width letters too)")
CMD(LowerCase, text, VAR, NONE, NONE, NONE, 0, "lower case by the user's locale (full-width letters too)")
CMD(UpperCaseF, text, VAR, NONE, NONE, NONE, 0, "ASCII letters upper case, double-byte characters left alone")
CMD(LowerCaseF, text, VAR, NONE, NONE, NONE, 0, "ASCII letters lower case, double-byte characters left alone")
CMD(CountChr, text, VAR, INT, INT, INT, 0, "status = the number of bytes arg2 among arg3 bytes from offset arg4")
CMD(Hex2Int, text, VAR, STR, NONE, NONE, 0, "data[0] = the hexadecimal number of text arg2 (up to 8 digits, a sign allowed)")
CMD(DecimalStr, text, VAR, INT, INT, NONE, 0, "the variable = arg2 / arg3 as \"quotient.remainder\"")
CMD(NodeExt, text, VAR, STR, INT, NONE, 0, "the variable = a part of path arg2: arg3 1 drive, 2 name, 3 extension, else the folder")

// Searching
CMD(SearchStr, text, VAR, STR, INT, INT, 0, "status = 1 + the position of text arg2 in the variable from offset arg4 over arg3 bytes (arg3 < 0: case-blind); 0: none")
CMD(SearchBinParam, text, VAR, INT, NONE, NONE, SETTINGS, "set SearchBin's pattern: the first arg2 integers (0-255 a byte, -1..-255 any, above: mask << 8 | value, below: not that)")
CMD(SearchBinNull, text, NONE, NONE, NONE, NONE, SETTINGS, "release SearchBin's pattern")
CMD(SearchBin, text, VAR, INT, INT, NONE, 0, "status = 1 + the position of the pattern in the variable from offset arg3 over arg2 bytes; 0: none")

// Memory blocks and sorting
CMD(BlockCopy, text, VAR, INT, INT, INT, 0, "copy arg2 bytes of the variable from offset arg4 to offset arg3 (overlaps as a memory move)")
CMD(SetTrans, text, VAR, NONE, NONE, NONE, SETTINGS, "remember the variable as BlockTrans's target")
CMD(BlockTrans, text, VAR, INT, INT, INT, 0, "copy arg2 bytes from offset arg4 of the variable to offset arg3 of the target")
CMD(AutoSum, text, VAR, INT, INT, INT, SETTINGS, "sum arg2 elements from element arg3 (arg4: 1 s8, 2 u16, 3 s16, 4-5 32-bit, else u8) for GetSum")
CMD(GetSum, text, VAR, NONE, NONE, NONE, SETTINGS, "data[0] = AutoSum's sum")
CMD(SlideNum, text, VAR, INT, INT, INT, 0, "add arg4 (-128 to 128) to arg3 bytes from offset arg2, modulo 256")
CMD(AutoAnd, text, VAR, INT, INT, INT, 0, "AND arg2 bytes from offset arg3 with arg4")
CMD(AutoOr, text, VAR, INT, INT, INT, 0, "OR arg2 bytes from offset arg3 with arg4")
CMD(AutoExor, text, VAR, INT, INT, INT, 0, "XOR arg2 bytes from offset arg3 with arg4")
CMD(ChkPval, text, VAR, INT, NONE, NONE, 0, "status = a 16-bit field of the variable's record: arg2 -2 type, -1 mode, 0-4 len[0..4], 5 dims flag")
CMD(BSort, text, VAR, NONE, NONE, NONE, 0, "sort the integers ascending (stable)")
CMD(BSortRev, text, VAR, NONE, NONE, NONE, 0, "sort the integers descending (stable)")
CMD(BSortSet, text, VAR, NONE, NONE, NONE, SETTINGS, "remember the integer array that BSortEx permutes with its keys")
CMD(BSortEx, text, VAR, NONE, NONE, NONE, SETTINGS, "sort the keys ascending (stable), the BSortSet array permuted with them")
CMD(BSortExRev, text, VAR, NONE, NONE, NONE, SETTINGS, "sort the keys descending (stable), the BSortSet array permuted with them")
CMD(TobRandomize, text, NONE, NONE, NONE, NONE, 0, "seed the random numbers of the noise and dispersion effects with the time")

// Single pixels and channels (the effects folder)
CMD(QPget, effects, SCR, INT, INT, INT, 0, "status = the colour (0xBBGGRR) of pixel arg2, arg3; palette screens: the index, or with arg4 1 the colour")
CMD(QPset, effects, SCR, INT, INT, INT, 0, "set pixel arg2, arg3 to the screen's colour; palette screens: index arg4 (outside 0-255: the nearest to the colour)")
CMD(QPconv, effects, VAR, NONE, NONE, NONE, 0, "data[0..2] = the red, green, blue QPget read last")
CMD(Cycle, effects, SCR, INT, INT, INT, COPY, "exchange channels in the copy area: new red, green, blue from old channel arg2, arg3, arg4 (0 red, 1 green, 2 blue, 3 own)")

// Arithmetic and trigonometry
CMD(TriFunc, text, VAR, INT, INT, INT, 0, "data[0] = arg4 x sine (arg2 other), cosine (1) or tangent (2) of arg3 whole degrees (-4096 to 4096), from the table")
CMD(TriFunc2, text, VAR, INT, INT, INT, 0, "data[0] = arg4 x sine, cosine (1) or tangent (2) of arg3 in 1/10000 degree, in double precision")
CMD(TriFuncA, text, VAR, INT, INT, INT, 0, "data[0] = arg4 x arc sine (arg2 other) or arc cosine (1) of arg3 millionths, in radians")
CMD(GetAngle, text, INT, INT, INT, INT, 0, "status = the angle of the line (arg1, arg2)-(arg3, arg4) in 1/10000 degree, 0 to 3600000")
CMD(GetAngle2, text, VAR, INT, NONE, NONE, 0, "data[0] = arg2 x the angle in degrees of the line data[1], data[2] - data[3], data[4]")
CMD(Root, text, VAR, INT, INT, NONE, 0, "data[0] = arg3 x the square root of arg2, rounded")

// Version and about
CMD(AboutMe, host, NONE, NONE, NONE, NONE, 0, "show the about box of the utility command set")
CMD(AlphaMethod, host, NONE, NONE, NONE, NONE, 0, "show a one-line notice box")
CMD(GetQuorvelVer, host, NONE, NONE, NONE, PTR, 0, "write \"0.651\" into the buffer; status 394497 (0x060501)")
CMD(GetTobExtVer, host, NONE, NONE, NONE, PTR, 0, "write \"0.801\" into the buffer; status 524289 (0x080001)")
