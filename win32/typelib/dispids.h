/* The dispatch identifiers of the control's properties and events: the
   numbers containers, scripts and saved forms already know, fixed for
   good. Plain defines only, so that the type library source and the C++
   read the same lines. */
#ifndef VELMORA_DISPIDS_H
#define VELMORA_DISPIDS_H

/* Properties of _VelmoraControl. */
#define DISPID_VELMORA_TASTOINVIO 0x68030000
#define DISPID_VELMORA_VIRGOLA 0x68030001
#define DISPID_VELMORA_TEXT 0x68030002
#define DISPID_VELMORA_FORECOLOR 0x68030003
#define DISPID_VELMORA_ENABLED 0x68030004
#define DISPID_VELMORA_BACKCOLOR 0x68030005
#define DISPID_VELMORA_DATEVALUE 0x68030006
#define DISPID_VELMORA_MAXLENGTH 0x68030007
/* The font is the standard font property (DISPID_FONT). */
#define DISPID_VELMORA_FONT (-512)

/* Events of __VelmoraControl. */
#define DISPID_VELMORA_DATANONVALIDA 1
#define DISPID_VELMORA_CHANGE 2

#endif
