' The example of the README's "Using Velmora", as it stands there.
' Run it with: cscript //nologo using.vbs
Set c = CreateObject("Velmora.VelmoraControl")
c.DateValue = True             ' date mode (False: number mode)
c.MaxLength = 10               ' dd/mm/yyyy (8: dd/mm/yy, 5: dd/mm)
c.Text = "14/12/1967"          ' set Text last: the two above wipe it
WScript.Echo c.Text            ' always Italian, whatever the regional settings
c.DateValue = False            ' number mode: the field starts over at "0"
c.Virgola = True               ' accept a decimal comma
c.Text = "1.234.567,89"
On Error Resume Next
c.MaxLength = -1               ' Err.Number 380, "Invalid property value: MaxLength"
WScript.Echo c.Text
WScript.Echo Err.Number & " " & Err.Description
WScript.Echo "END OF SAMPLE"
