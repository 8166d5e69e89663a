// The command table: every command a script can call, once, in one row each.
//
//   CMD(Name, folder, arg1, arg2, arg3, arg4, "what it does")
//
// The folder is the subsystem (and the C++ namespace qv::folder) that implements the
// command. Argument kinds:
//   SCR   pointer to a screen record (BMSCR)
//   VAR   pointer to a variable record (PVAL)
//   STR   pointer to zero-terminated text
//   PTR   pointer to a variable's storage (the host passes the buffer itself)
//   INT   signed 32-bit integer
//   NONE  ignored, whatever it holds
//
// This file is included with CMD defined to declare the commands (command_decls.h), to
// build the exported stdcall thunks (host/exports.cpp) and the runner's argument parsing
// (tools/run); the build reads it to write the export list and docs/commands.md. A command
// enters the table only when it works and is tested.
//
// No include guard: it is meant to be expanded more than once.

// Screen table
CMD(SetBMSCR, host, SCR, INT, INT, NONE, "store a screen in table slot arg3 (above 8: slot 8; negative: none) and set copy_redraw to arg2")
CMD(SetBMNo, host, INT, NONE, NONE, NONE, "select the current table slot (outside 0 to 8: slot 0)")

// JPEG: decoding, encoding, sizes
CMD(JpegLoad, jpeg, SCR, STR, INT, INT, "decode the JPEG stream at byte offset arg4 of file arg2 into the screen at its position; arg3 bits 0-3: DCT (1 accurate, 2 fast, 3 float)")
CMD(JpegSize, jpeg, VAR, STR, INT, NONE, "store the width and height of the JPEG stream at offset arg3 of file arg2 in data[0], data[1]")
CMD(JpegSave, jpeg, SCR, STR, INT, INT, "save arg3 x arg4 pixels at the screen's position as JPEG file arg2, with the JpegParam/JpegParam2 settings and a pending comment")
CMD(JpegParam, jpeg, INT, INT, INT, INT, "encoder settings: quality 1-100, DCT (1 accurate, 2 fast, 3 float), flags (1 progressive, 2 grayscale), smoothing 1-100")
CMD(JpegParam2, jpeg, INT, INT, INT, INT, "encoder settings: luminance sampling h, v (1 or 2), density x, y in dots per inch (out of range: default)")
CMD(JpegComment, jpeg, VAR, INT, INT, NONE, "write the text of the variable as a comment in the next saved JPEG (arg2: maximum length; arg3 nonzero: forget the comment)")

// JPEG: memory and pack-archive sources, comments
CMD(SetJpegMem, jpeg, VAR, INT, NONE, NONE, "use the variable's bytes (arg2 of them, 9 or more, else the whole first dimension) as JPEG data for the next memory command")
CMD(JpegLoadMem, jpeg, SCR, INT, NONE, NONE, "decode the JPEG data set by SetJpegMem into the screen at its position (arg2: DCT as JpegLoad)")
CMD(JpegSizeMem, jpeg, VAR, NONE, NONE, NONE, "store the width and height of the JPEG data set by SetJpegMem in data[0], data[1]")
CMD(GetJpegCommentMem, jpeg, VAR, INT, NONE, NONE, "read the comment (arg2 0) or APP12 text (arg2 nonzero) of the JPEG data set by SetJpegMem")
CMD(JpegLoadDpm, jpeg, SCR, STR, INT, STR, "decode pack-archive entry arg2 into the screen; arg4: \"archive path,start offset\"; arg3: DCT as JpegLoad")
CMD(JpegSizeDpm, jpeg, VAR, STR, NONE, STR, "store the width and height of pack-archive entry arg2 in data[0], data[1]; arg4: \"archive path,start offset\"")
CMD(GetJpegCommentDpm, jpeg, VAR, STR, INT, STR, "read the comment (arg3 0) or APP12 text of pack-archive entry arg2; arg4: \"archive path,start offset\"")
CMD(GetJpegComment, jpeg, VAR, STR, INT, INT, "read the comment (arg3 0) or APP12 text of the JPEG stream at offset arg4 of file arg2")

// Pi pictures and picture save
CMD(PiLoad, pi, SCR, STR, INT, PTR, "load Pi file arg2 into the screen; arg3 bits 0-3 nonzero: no refresh, bits 4-7 nonzero: at the position; arg4: 768-byte palette buffer (palette screens)")
CMD(PiLoadMem, pi, SCR, INT, NONE, PTR, "load the Pi picture registered by SetPiMem into the screen; arg2 and arg4 as PiLoad")
CMD(SetPiMem, pi, VAR, INT, NONE, NONE, "register the variable's bytes as Pi data for PiLoadMem and PiInfoMem (arg2 nonzero: forget it)")
CMD(PiInfo, pi, VAR, STR, NONE, NONE, "store the width and height of Pi file arg2 in data[0], data[1]")
CMD(PiInfoMem, pi, VAR, NONE, NONE, NONE, "store the width and height of the registered Pi data in data[0], data[1]")
CMD(PiTransColour, pi, INT, INT, NONE, NONE, "transparent colour for Pi loads: 0-255 an index, 256-384 a tolerance around the screen's colour; arg2 0 or other values: none")
CMD(PiDllAbout, pi, NONE, NONE, NONE, NONE, "show the Pi loader's about box")
CMD(PicSave, pi, SCR, STR, INT, INT, "save the screen: arg4 1: FAL pair of the copy area (arg3 1: .fal header, else .ipr); else a bitmap (8-bit: palette screen and arg3 1)")

// Version and about
CMD(AboutMe, host, NONE, NONE, NONE, NONE, "show the about box of the utility command set")
CMD(AlphaMethod, host, NONE, NONE, NONE, NONE, "show a one-line notice box")
CMD(GetQuorvelVer, host, NONE, NONE, NONE, PTR, "write \"0.651\" into the buffer; status 394497 (0x060501)")
CMD(GetTobExtVer, host, NONE, NONE, NONE, PTR, "write \"0.801\" into the buffer; status 524289 (0x080001)")
