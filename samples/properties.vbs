' Velmora from VBScript: sets and reads every property of the control, and
' shows what a bad value raises. Run it with: cscript //nologo properties.vbs
' (the 32-bit cscript for the 32-bit OCX, the 64-bit one for the 64-bit OCX).
Option Explicit

' VBScript writes a Boolean in the words of the machine's language (True,
' Vero, Wahr): the sample spells it out itself so it prints the same
' everywhere.
Function Said(b)
  If b Then Said = "True" Else Said = "False"
End Function

Dim c
Set c = CreateObject("Velmora.VelmoraControl")

' A new control: date mode, day/month/four-digit year, the empty mask.
WScript.Echo "DateValue  = " & Said(c.DateValue)
WScript.Echo "MaxLength  = " & c.MaxLength
WScript.Echo "Text       = [" & c.Text & "]"
WScript.Echo "BackColor  = &H" & Hex(c.BackColor)
WScript.Echo "ForeColor  = &H" & Hex(c.ForeColor)
WScript.Echo "Enabled    = " & Said(c.Enabled)
WScript.Echo "Virgola    = " & Said(c.Virgola)
WScript.Echo "TastoInvio = " & Said(c.TastoInvio)

' MaxLength picks the date style; every assignment starts the field over.
c.MaxLength = 8
WScript.Echo "MaxLength 8: [" & c.Text & "]"
c.MaxLength = 5
WScript.Echo "MaxLength 5: [" & c.Text & "]"
c.MaxLength = 12
WScript.Echo "MaxLength 12: [" & c.Text & "]"
c.MaxLength = 0
WScript.Echo "MaxLength 0: [" & c.Text & "]"
c.MaxLength = 2.5
WScript.Echo "MaxLength 2.5 is rounded to even: " & c.MaxLength
c.MaxLength = 10
c.Text = "14/12/1967"
c.MaxLength = 10
WScript.Echo "MaxLength 10 again: [" & c.Text & "]"

' Text is taken as given, in either mode, and never checked.
c.Text = "31/02/1967"
WScript.Echo "Text from code: [" & c.Text & "]"

' DateValue switches the mode; number mode starts at "0".
c.DateValue = False
WScript.Echo "number mode: [" & c.Text & "]"
c.Text = "1.234.567"
c.DateValue = False
WScript.Echo "DateValue False again: [" & c.Text & "]"
c.Virgola = True
c.TastoInvio = True
WScript.Echo "Virgola    = " & Said(c.Virgola)
WScript.Echo "TastoInvio = " & Said(c.TastoInvio)
c.DateValue = True
WScript.Echo "date mode: [" & c.Text & "]"

' Colours are OLE colours: RGB values, or system colours (&H80000000 + index).
c.BackColor = RGB(255, 255, 192)
c.ForeColor = &H80000012
WScript.Echo "BackColor  = &H" & Hex(c.BackColor)
WScript.Echo "ForeColor  = &H" & Hex(c.ForeColor)
c.Enabled = False
WScript.Echo "Enabled    = " & Said(c.Enabled)

' The font is the control's own font object: change it in place, or assign
' another with Set.
c.Font.Name = "DejaVu Sans"
c.Font.Size = 12
c.Font.Bold = True
Dim other
Set other = CreateObject("Velmora.VelmoraControl")
Set other.Font = c.Font
c.Font.Italic = True
WScript.Echo "the font is shared after Set: " & Said(other.Font.Italic)
WScript.Echo "Font       = " & c.Font.Name & ", " & c.Font.Size & " pt, bold " & Said(c.Font.Bold)

' Bad values: the control, or the script engine's own conversion of the
' value, raises an error, and the property keeps its value. The control's
' own errors carry its name as their source and an English description;
' the engine's own are described in the machine's language.
On Error Resume Next
c.MaxLength = -1
Report "MaxLength = -1"
c.MaxLength = 40000
Report "MaxLength = 40000"
c.MaxLength = "abc"
Report "MaxLength = ""abc"""
Set c.Font = Nothing
Report "Set Font = Nothing"
Set c.Font = CreateObject("Velmora.VelmoraControl")
Report "Set Font = another control"
c.BackColor = "red"
Report "BackColor = ""red"""
c.BackColor = -1
Report "BackColor = -1"
c.Text = Null
Report "Text = Null"
c.Colour = 1
Report "Colour = 1"
On Error GoTo 0
WScript.Echo "MaxLength after the errors = " & c.MaxLength

Sub Report(what)
  If Err.Number = 0 Then
    WScript.Echo what & ": no error"
  ElseIf Err.Source = "Velmora.VelmoraControl" Then
    WScript.Echo what & ": error " & Err.Number & " from Velmora: " & Err.Description
  Else
    WScript.Echo what & ": error " & Err.Number & " from the script engine"
  End If
  Err.Clear
End Sub

WScript.Echo "END OF SAMPLE"
