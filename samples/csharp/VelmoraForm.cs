// Velmora on a C# WinForms form. The statements mirror samples/properties.vbs
// and samples/values.vbs, with the events a script cannot hook.
// NOT COMPILED HERE: written against the reference, never run by the tests.
//
// 1. Generate the wrappers from the registered OCX of the bitness you build
//    for (Developer Command Prompt):
//        aximp C:\Velmora\x86\Velmora.ocx
//    gives Velmora.dll (the interop types) and AxVelmora.dll (AxVelmoraControl,
//    an AxHost). Reference both. (Dropping the control on a form in the
//    designer runs the same tool.)
// 2. Set the platform target to the OCX's bitness: x86 for the 32-bit OCX,
//    x64 for the 64-bit one. "Any CPU" runs 64-bit on 64-bit Windows and
//    then finds no class if only the 32-bit OCX is registered
//    (REGDB_E_CLASSNOTREG, 0x80040154).
// 3. The control is apartment-threaded: keep [STAThread] on Main.
//
// AxImp renames the members a WinForms control already has: Text, BackColor,
// ForeColor and Enabled of the control come out as CtlText, CtlBackColor,
// CtlForeColor and CtlEnabled; Font goes through AxHost's own Font. Check the
// names and types in the generated AxVelmora.dll.
using System;
using System.Drawing;
using System.Globalization;
using System.Runtime.InteropServices;
using System.Windows.Forms;

public sealed class VelmoraForm : Form
{
    static readonly CultureInfo Italian = CultureInfo.GetCultureInfo("it-IT");
    readonly AxVelmora.AxVelmoraControl data = new AxVelmora.AxVelmoraControl();
    readonly AxVelmora.AxVelmoraControl importo = new AxVelmora.AxVelmoraControl();
    string lastDate = "";

    public VelmoraForm()
    {
        Text = "Velmora";
        data.Location = new Point(120, 16);
        importo.Location = new Point(120, 48);
        ((System.ComponentModel.ISupportInitialize)data).BeginInit();
        ((System.ComponentModel.ISupportInitialize)importo).BeginInit();
        Controls.Add(data);
        Controls.Add(importo);
        ((System.ComponentModel.ISupportInitialize)data).EndInit();
        ((System.ComponentModel.ISupportInitialize)importo).EndInit();

        // The events: parameterless, so plain EventHandlers.
        data.Change += (s, e) => { if (data.CtlText.Replace("/", "").Trim().Length > 0) lastDate = data.CtlText; };
        data.DataNonValida += (s, e) =>
        {
            // Already wiped: data.CtlText is the mask. An empty field raises it too.
            if (lastDate.Length > 0) MessageBox.Show("Data non valida: " + lastDate);
            lastDate = "";
        };
        importo.Change += (s, e) => Console.WriteLine(NumberOf(importo.CtlText));

        // DateValue and MaxLength start the field over: set them before the text.
        data.DateValue = true;
        data.MaxLength = 10;
        data.CtlText = "14/12/1967";
        importo.DateValue = false;
        importo.MaxLength = 12;          // characters, points included: 10 digits
        importo.Virgola = true;
        importo.TastoInvio = false;
        importo.CtlText = "1.234.567,89";
        // The wrapper gives OLE_COLOR as System.Drawing.Color, and the font as
        // a System.Drawing.Font.
        importo.CtlBackColor = Color.FromArgb(255, 255, 192);
        importo.CtlForeColor = SystemColors.ControlText;   // the system colour &H80000012
        importo.Font = new Font("Tahoma", 10f);

        try
        {
            data.MaxLength = -1;
        }
        catch (COMException e) when (e.HResult == unchecked((int)0x800A017C))
        {
            Console.WriteLine("refused: " + e.Message);   // Invalid property value: MaxLength
        }
    }

    // Italian text to values under any regional settings.
    static DateTime? DateOf(string text)
    {
        if (text.Replace("/", "").Trim().Length == 0) return null;   // the empty mask
        var culture = (CultureInfo)Italian.Clone();
        culture.DateTimeFormat.Calendar.TwoDigitYearMax = 2029;       // 00-29: 2000-2029
        return DateTime.ParseExact(text.Trim(), new[] { "dd/MM/yyyy", "dd/MM/yy", "dd/MM" }, culture,
                                   DateTimeStyles.None);
    }

    static decimal NumberOf(string text) =>
        decimal.Parse(text, NumberStyles.AllowLeadingSign | NumberStyles.AllowThousands |
                            NumberStyles.AllowDecimalPoint, Italian);

    [STAThread]
    static void Main()
    {
        Application.EnableVisualStyles();
        Application.Run(new VelmoraForm());
    }
}
