# The text of the sample manual. Markup inside paragraph texts:
#   {tab} {hs}                 tab, hard space (written as <Char> statements)
#   {fn:TEXT}                  a footnote anchored here
#   {tbl:N}                    table N anchored here
#   {fig:N}                    anchored frame N (a figure with a text line)
#   {hidden:TEXT}              conditional text in the hidden condition "Internal"
#   {var:NAME}                 a variable
#   {xref:TEXT}                a cross-reference showing TEXT
# Typographic characters are written as themselves: ‘ ’ “ ” – — …

PRODUCT = "Aquila 300"

CHAPTER1 = ("Introduction and Safety", [
    ("Heading1", "1{tab}Introduction and Safety"),
    ("Body", "This manual describes the {var:Product} series of flow controllers: what they do, how to install them, and how to keep them running for many years. It is written for the technicians who fit the controller to a pump station and for the operators who run it every day."),
    ("Body", "Read the whole of this chapter before you unpack the controller. It explains the symbols used on the unit and in this manual, and it lists the hazards that remain even when every instruction is followed."),
    ("Heading2", "1.1{tab}About this manual"),
    ("Body", "Each chapter covers one stage in the life of the controller. Chapter 2 deals with installation and wiring; Chapter 3 deals with daily operation, alarms and routine maintenance. Procedures are written as numbered steps, and each step contains one action. Where a step has a result that you should check, the result follows in the next paragraph."),
    ("Body", "Values in this manual use SI units. Pressures are given in bar{hs}(g), flows in cubic metres per hour, and temperatures in degrees Celsius.{fn:The display can also show US customary units; see the setting Units in the Service menu.} Ranges are written with an en dash, for example 4–20{hs}mA."),
    ("Heading2", "1.2{tab}Intended use"),
    ("Body", "The {var:Product} controls the speed of one centrifugal pump so that the pressure in a water main stays at a set point. It is intended for clean water, grey water and treated effluent at temperatures between 2 and 60{hs}°C. It is not intended for fuel, solvents or any liquid that could form an explosive atmosphere."),
    ("Body", "Any other use is misuse. The manufacturer accepts no liability for damage caused by misuse, by unauthorised changes to the controller, or by spare parts that were not supplied by the manufacturer."),
    ("Heading2", "1.3{tab}Safety instructions"),
    ("Body", "The controller works with mains voltage and with a pump that can start without warning. Observe the following rules at all times:"),
    ("Bullet", "Isolate the supply and lock the isolator before you open the terminal cover."),
    ("Bullet", "Wait at least five minutes after isolation. The capacitors in the drive keep a dangerous charge for that long."),
    ("Bullet", "Never bridge the dry-run input to get a pump started. A pump that runs dry is destroyed within minutes — and so are its seals."),
    ("Bullet", "Wear eye protection when you bleed a pressure line; water under pressure can cut skin."),
    ("Body", "Warning notes in this manual are printed in bold type and begin with the word “Warning”. A warning tells you about a hazard to people. A caution tells you about a hazard to the equipment.{fn:The same words appear on the labels on the unit. Labels that can no longer be read must be replaced.}"),
    ("Body", "Warning: the controller can restart the pump automatically after a power failure. Switch the controller to Manual Off before you work on the pump or the pipework.{hidden: Service note: the restart delay can be changed only with the service key.}"),
    ("Heading2", "1.4{tab}What is in the box"),
    ("Body", "Check the delivery against the packing list before you sign for it. The box contains the controller, a pressure transducer with five metres of cable, a wall bracket with four screws and plugs, two cable glands, and this manual. {fig:1}"),
    ("Body", "If anything is missing or damaged, tell the carrier at once and keep the packing. Do not install a controller that has been dropped, even if it looks undamaged: a cracked heat sink may not show until the unit runs hot."),
    ("Heading2", "1.6{tab}Qualified personnel"),
    ("Body", "Only qualified electricians may install the controller, connect it to the supply, or open the terminal cover. A qualified electrician has the training and the experience to recognise the hazards of electrical work and to avoid them, and knows the local rules for installations in wet areas."),
    ("Body", "Operators need no electrical training. They may use the control panel, read the display, acknowledge alarms and carry out the monthly visual check described in Chapter 3. They must not remove any cover, and they must call a technician when an alarm comes back after it has been acknowledged twice."),
    ("Body", "Every person who works with the controller must have read this chapter. The owner of the installation is responsible for making sure that this is so, and for keeping this manual near the controller where it can be found when it is needed."),
    ("Heading2", "1.7{tab}How the controller works"),
    ("Body", "A pressure transducer in the delivery main sends the controller a current between 4 and 20{hs}mA that stands for the pressure. The controller compares this value with the set point many times a second. When the pressure is too low, it raises the speed of the pump; when it is too high, it lowers it. The result is a steady pressure at the taps, whatever the demand."),
    ("Body", "Because the pump runs only as fast as the demand requires, it uses far less energy than a pump that runs at full speed against a throttled valve. In a typical building the saving is between a third and a half of the energy bill for pumping. The pump and the pipework also last longer, because the controller starts and stops the motor gently and avoids pressure surges."),
    ("Body", "When nobody draws water for a while, the controller lowers the speed step by step until the pump no longer delivers, and then stops it. This is called the sleep function. The pump restarts as soon as the pressure falls by more than the restart difference, which is 0.3{hs}bar when the controller leaves the factory."),
    ("Heading2", "1.5{tab}Symbols"),
    ("Body", "The rating plate and the terminal cover carry symbols that tell you what a terminal is for. The earth symbol marks the protective earth; the lightning flash marks terminals that carry mains voltage; a hand in a triangle marks a surface that can be hot. If in doubt … ask before you connect."),
])

CHAPTER2 = ("Installation", [
    ("Heading1", "2\tInstallation"),
    ("Body", "Installation has three parts: mounting the controller, connecting the pressure transducer, and wiring the supply and the pump. Plan the whole installation before you start, because the position of the controller decides the length of every cable."),
    ("Heading2", "2.1\tChoosing a place"),
    ("Body", "Mount the controller on a solid wall, at eye level, within ten metres of the pump. The air around it must stay between -10 and 45 °C and must be free of dripping water. Leave at least 150 mm of free space above and below the unit so that air can flow through the heat sink."),
    ("Body", "Do not mount the controller directly above the pump or the pipework. A leaking joint above a live terminal is the most common cause of failure we see in the field."),
    ("Heading2", "2.2\tMounting"),
    ("Step", "Hold the wall bracket against the wall with the arrow pointing up, and mark the four holes."),
    ("Step", "Drill the holes with an 8 mm bit and push in the plugs."),
    ("Step", "Screw the bracket to the wall. Check with a spirit level that it is straight."),
    ("Step", "Hang the controller on the bracket and tighten the locking screw at the bottom."),
    ("Body", "The controller weighs 6.5 kg. Ask a second person to hold it while you tighten the locking screw."),
    ("Heading2", "2.3\tElectrical connection"),
    ("Body", "Table 2-1 lists the cable sizes and fuse ratings for each model in the series. Use copper conductors only, rated for at least 70 °C. {tbl:1}"),
    ("Body", "Connect the supply to terminals L1, L2 and L3, and the protective earth to the terminal marked with the earth symbol. Connect the pump motor to terminals U, V and W. The order of U, V and W sets the direction of rotation; if the pump turns the wrong way, swap any two of them."),
    ("Body", "The pressure transducer has a screened two-core cable. Connect the brown core to terminal 11 (+24 V) and the white core to terminal 12 (signal). Clamp the screen under the cable gland – not to a terminal – so that it makes contact all the way round."),
    ("Code", "SET INPUT AI1 = 4..20 mA ; RANGE = 0..10 bar"),
    ("Heading2", "2.5\tConnecting the pump to the pipework"),
    ("Body", "The controller does not care how the pump is piped, but the pressure control works best when a few simple rules are kept. Fit the transducer in the delivery main at least five pipe diameters after the pump, on a straight length of pipe, where the flow is calm. A transducer placed directly at a bend or a valve sees turbulence and makes the pump hunt."),
    ("Body", "Fit a non-return valve after the pump and a small pressure vessel after the non-return valve. Eight litres is enough for most houses; a larger building needs about one litre for each cubic metre per hour of the largest flow. The vessel lets the pump rest during small draws, such as a toilet cistern filling at night."),
    ("Body", "Charge the vessel to 70 per cent of the set point before you fill the system. If the set point is 4 bar, the charge pressure is 2.8 bar. Check the charge once a year with the system drained, because a vessel that has lost its charge makes the pump start and stop far more often than it should."),
    ("Heading2", "2.6\tSettings after installation"),
    ("Body", "The factory settings suit most installations, but three of them should always be checked: the set point, the minimum speed and the ramp times. The set point is the pressure that the users need at the highest tap, plus the loss in the pipework at full flow. The minimum speed must be high enough for the pump to keep its seals cool; the pump maker states it in the pump’s manual."),
    ("Body", "Longer ramp times make the controller gentler but slower. In a building with long pipe runs, start with ten seconds for both ramps and shorten them if the pressure drops too far when a large tap opens. Record every setting you change in the commissioning report, so that the next technician knows what was done and why."),
    ("Heading2", "2.4\tFirst start"),
    ("Body", "Before you switch on, check once more that every terminal screw is tight and that the terminal cover is closed. Then switch on the supply. The display shows “Aquila” and the software version, and after a few seconds the main screen."),
    ("Body", "The controller now asks for the basic settings: the language, the units, the rated current of the motor, and the pressure set point. Enter the rated current exactly as it is printed on the motor’s rating plate; the motor protection depends on it."),
])

CHAPTER3 = ("Operation and Maintenance", [
    ("Heading1", "3{tab}Operation and Maintenance"),
    ("Body", "In normal operation the controller needs no attention. It starts the pump when the pressure falls below the set point, runs it at the speed that holds the pressure, and stops it when nobody draws water. This chapter explains the controls, the alarms, and the few tasks that keep the installation healthy."),
    ("Heading2", "3.1{tab}The control panel"),
    ("Body", "The panel has a display, four arrow keys, an OK key and a Mode key. The Mode key switches between Auto, Manual and Off. In Auto the controller follows the set point; in Manual it runs the pump at a fixed speed that you choose with the arrow keys; in Off the pump stands still."),
    ("Body", "The main screen shows the pressure on the top line and the pump speed on the bottom line. A small bell on the right means that an alarm is active. Press OK to see the alarm list."),
    ("Heading2", "3.2{tab}Alarms"),
    ("Body", "Every alarm has a number, a short text and a time stamp. Most alarms clear themselves when the cause has gone; the others must be acknowledged with the OK key. The controller keeps the last fifty alarms in its log, even when the power fails.{fn:The log can be read out with the service software over the USB port behind the cover.}"),
    ("Bullet", "Alarm 11, Dry run: the pressure did not rise within 30 seconds of starting. Check the suction side and the non-return valve."),
    ("Bullet", "Alarm 21, Overcurrent: the motor drew more than its rated current. Check that the pump turns freely."),
    ("Bullet", "Alarm 31, Sensor fault: the transducer signal is below 3.5{hs}mA or above 20.5{hs}mA. Check the cable and the terminals."),
    ("Body", "If an alarm comes back again and again, do not simply acknowledge it. Find the cause. A controller that stops the pump three times a day is telling you something about the installation."),
    ("Heading2", "3.3{tab}Routine maintenance"),
    ("Body", "Once a month, look at the controller and the pump. Listen for new noises; feel whether the pipework vibrates; look for drips. Once a year, carry out the following checks with the supply isolated:"),
    ("Step", "Clean the heat sink with a soft brush. Do not use compressed air, which drives dust into the drive."),
    ("Step", "Check that every terminal screw is tight."),
    ("Step", "Check the cable glands and the seal of the terminal cover."),
    ("Step", "Compare the pressure on the display with a calibrated gauge. If they differ by more than 0.2{hs}bar, adjust the offset in the Service menu."),
    ("Body", "Write the date and the results of each check in the log at the back of this manual. A complete log makes a warranty claim much simpler — and it helps the next technician who works on the station."),
    ("Heading2", "3.5{tab}Troubleshooting without alarms"),
    ("Body", "Not every fault raises an alarm. Some show only as a change in the way the installation behaves, and the operator who knows the station well is often the first to notice. The following symptoms are the ones we are asked about most often."),
    ("Body", "The pump starts and stops every few seconds. The pressure vessel has probably lost its charge, or the restart difference is set too small. Check the vessel first: it is the cheaper fix, and a pump that cycles like this wears out its contactor and its bearings within months."),
    ("Body", "The pressure swings up and down around the set point. The transducer may be fitted too close to the pump, or the ramp times may be too short for the pipework. Lengthen the ramps in small steps and watch the display for a few minutes after each change."),
    ("Body", "The pump never goes to sleep at night. Somewhere in the building a tap or a cistern is leaking. The controller sees a small, steady demand and keeps the pump running to meet it. Find the leak; the energy it wastes in pumping is often worth more than the water."),
    ("Heading2", "3.6{tab}Spare parts and service"),
    ("Body", "Order spare parts from your supplier and give the model and the serial number from the rating plate. The parts that wear are the cooling fan, the door seal and the display cover; keep one of each in stock if the station is far from the nearest supplier."),
    ("Body", "The controller contains no parts that an operator can repair. If the drive itself fails, exchange the whole unit and return the faulty one to us with a short description of the fault and a copy of the alarm log. We repair returned units and send a report on what we found, so that the cause can be removed at the station."),
    ("Heading2", "3.4{tab}Disposal"),
    ("Body", "At the end of its life, take the controller to a collection point for electrical equipment. The circuit boards contain materials that can be recovered, and the capacitors must not go to landfill."),
])

TABLE1 = {
    "title": "Table 2-1. Cable sizes and fuses",
    "columns": ["Model", "Motor power", "Supply cable", "Fuse"],
    "widths_pt": [90, 90, 120, 80],
    "rows": [
        ["A300-4", "up to 4 kW", "4 × 2.5 mm²", "16 A"],
        ["A300-7", "up to 7.5 kW", "4 × 4 mm²", "25 A"],
        ["A300-11", "up to 11 kW", "4 × 6 mm²", "32 A"],
        # A straddled cell: one note across the last two columns.
        ["A300-15", "up to 15 kW", {"span": 2, "text": "Ask the factory"}, None],
    ],
}

FIGURE1 = "Figure 1-1. Contents of the box"

TOC_ENTRIES = [
    ("TOCHeading1", "1 Introduction and Safety", "1"),
    ("TOCHeading2", "1.1 About this manual", "1"),
    ("TOCHeading2", "1.3 Safety instructions", "2"),
    ("TOCHeading1", "2 Installation", "5"),
    ("TOCHeading2", "2.3 Electrical connection", "6"),
    ("TOCHeading1", "3 Operation and Maintenance", "9"),
    ("TOCHeading2", "3.2 Alarms", "10"),
]

ARTICLE = """Why plain procedures save money

Every maintenance department has a cupboard of manuals that nobody reads. They are not badly printed, and they are rarely wrong. They are simply hard to use. A technician who stands in a cold pump house with a torch in one hand does not want to read a paragraph of background before the first instruction. He wants to know what to do next.

Plain writing is not a matter of taste. It can be measured. Readability formulas count sentences, words and syllables and turn them into a grade: the number of years of schooling a reader needs to follow the text at the first reading. The formulas are crude. They know nothing about meaning, and a text of short nonsense words scores very well. But over a whole manual they show clearly where the writing has drifted into long sentences and abstract nouns.

In our own manuals we found that the safety chapters scored worst. The lawyers had been there first. Sentences of sixty words were common, and one warning ran to ninety-four words without a full stop. When we rewrote those chapters with one instruction per sentence, the grade dropped by four years. More importantly, the number of calls to the help desk about start-up faults fell by a third in the following year.

There are a few simple rules. Put the action first and the reason second. Write one step per numbered item. Use the same word for the same thing throughout: if the part is a valve on page two, it must not become a tap on page nine. Prefer verbs to nouns made from verbs; "check the seal" beats "carry out a verification of the sealing arrangement". Keep tables for data and prose for explanations.

None of this needs special software. But a tool that measures every chapter of a book in a few seconds makes it easy to see which chapter needs attention first, and it gives the writer a number to improve on. We now check every manual before it goes to print, and we keep the figures for each edition so that we can see whether we are getting better.

The effort pays for itself. A clear procedure is followed correctly the first time. A procedure that has to be read three times is followed incorrectly at least once, and somebody pays for that mistake.

Measuring is only the start. A grade tells you that a chapter is hard to read; it does not tell you why. For that you still need an editor who reads the text with the user in mind. In our experience the same faults come up again and again: sentences that pile condition upon condition, instructions hidden in the middle of explanations, and warnings so long that the reader skips them. A word list of the chapter helps here, because it shows at a glance which long words are used most often, and many of them turn out to have a short, plain equivalent.

We also learned to be careful with the numbers. A table of part numbers or a list of settings will confuse any formula, so we leave code listings and tables of data out of the count and measure only the running text. And we compare like with like: a safety chapter should be compared with the safety chapter of the last edition, not with a chapter about spare parts.

Finally, do not write for the formula. A text that is cut into very short sentences becomes choppy and hard to follow, even if it scores well. The aim is a text that a tired person can follow correctly at the first attempt. The formula is a smoke alarm, not a cook.
"""
