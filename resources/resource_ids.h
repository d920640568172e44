#pragma once

/* Ids of the program's embedded resources and menu commands. Plain macros, because
   the resource compiler reads this header as well as the C++ code. */

#define IDR_MAIN_MENU 101 /* menu bar of the window */
#define IDB_STICKERS 103 /* sticker bitmap: ten 30x30 tiles, one per sticker colour */
#define IDI_APP_ICON 106 /* icon group of the window */
#define IDR_PIECE_MESH 117 /* piece mesh, custom type "X" */

#define RT_PIECE_MESH_TYPE "X" /* resource type name of the piece mesh */

#define IDM_EXIT 40001
#define IDM_SHUFFLE 40002
#define IDM_CLEAR 40003
#define IDM_FULL_SCREEN 40004
#define IDM_ABOUT 40005

/* Every resource is Japanese (LANG_JAPANESE, SUBLANG_DEFAULT). */
#define TESSARINE_RESOURCE_LANGUAGE 1041
