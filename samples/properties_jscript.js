// Velmora from JScript: the statements of properties.vbs, in JScript.
// Run it with: cscript //nologo properties_jscript.js
// JScript sees a Boolean property as true/false and an error as an
// exception whose number is the HRESULT.
var c = WScript.CreateObject("Velmora.VelmoraControl");

function hex(n) { return (n < 0 ? n + 0x100000000 : n).toString(16).toUpperCase(); }

WScript.Echo("DateValue  = " + c.DateValue);
WScript.Echo("MaxLength  = " + c.MaxLength);
WScript.Echo("Text       = [" + c.Text + "]");
WScript.Echo("BackColor  = 0x" + hex(c.BackColor));
WScript.Echo("ForeColor  = 0x" + hex(c.ForeColor));
WScript.Echo("Enabled    = " + c.Enabled);
WScript.Echo("Virgola    = " + c.Virgola);
WScript.Echo("TastoInvio = " + c.TastoInvio);

c.MaxLength = 8;
WScript.Echo("MaxLength 8: [" + c.Text + "]");
c.MaxLength = 5;
WScript.Echo("MaxLength 5: [" + c.Text + "]");
c.MaxLength = 12;
WScript.Echo("MaxLength 12: [" + c.Text + "]");
c.MaxLength = 0;
WScript.Echo("MaxLength 0: [" + c.Text + "]");
c.MaxLength = 2.5;
WScript.Echo("MaxLength 2.5 is rounded to even: " + c.MaxLength);
c.MaxLength = 10;
c.Text = "14/12/1967";
c.MaxLength = 10;
WScript.Echo("MaxLength 10 again: [" + c.Text + "]");

c.Text = "31/02/1967";
WScript.Echo("Text from code: [" + c.Text + "]");

c.DateValue = false;
WScript.Echo("number mode: [" + c.Text + "]");
c.Text = "1.234.567";
c.DateValue = false;
WScript.Echo("DateValue false again: [" + c.Text + "]");
c.Virgola = true;
c.TastoInvio = true;
WScript.Echo("Virgola    = " + c.Virgola);
WScript.Echo("TastoInvio = " + c.TastoInvio);
c.DateValue = true;
WScript.Echo("date mode: [" + c.Text + "]");

c.BackColor = 0xC0FFFF;            // RGB(255, 255, 192): red is the low byte
c.ForeColor = 0x80000012 | 0;      // a system colour, as the signed 32 bits
WScript.Echo("BackColor  = 0x" + hex(c.BackColor));
WScript.Echo("ForeColor  = 0x" + hex(c.ForeColor));
c.Enabled = false;
WScript.Echo("Enabled    = " + c.Enabled);

c.Font.Name = "DejaVu Sans";
c.Font.Size = 12;
c.Font.Bold = true;
var other = WScript.CreateObject("Velmora.VelmoraControl");
other.Font = c.Font;
c.Font.Italic = true;
WScript.Echo("the font is shared after the assignment: " + other.Font.Italic);
WScript.Echo("Font       = " + c.Font.Name + ", " + c.Font.Size + " pt, bold " + c.Font.Bold);

function attempt(what, assign) {
  try {
    assign();
    WScript.Echo(what + ": no error");
  } catch (e) {
    // The control's errors are 0x800A0000 + its error number, with an
    // English description; those of JScript's own conversion of the value
    // are other HRESULTs (DISP_E_...), described in the machine's language
    // or not at all.
    var own = hex(e.number).substring(0, 4) === "800A" && (e.number & 0xFFFF) < 1000;
    WScript.Echo(what + ": error 0x" + hex(e.number) + (own ? " from Velmora: " + e.description : " from the script engine"));
  }
}
attempt("MaxLength = -1", function () { c.MaxLength = -1; });
attempt("MaxLength = 40000", function () { c.MaxLength = 40000; });
attempt("MaxLength = \"abc\"", function () { c.MaxLength = "abc"; });
attempt("Font = null", function () { c.Font = null; });
attempt("Font = another control", function () { c.Font = WScript.CreateObject("Velmora.VelmoraControl"); });
attempt("BackColor = \"red\"", function () { c.BackColor = "red"; });
attempt("Text = null", function () { c.Text = null; });
attempt("Colour = 1", function () { c.Colour = 1; });
WScript.Echo("MaxLength after the errors = " + c.MaxLength);

WScript.Echo("END OF SAMPLE");
