// Shotcut's panel for the MLT filter "meridel". It shows and sets the
// filter's own properties as text, in the formats the filter reads; the
// filter holds the defaults (the preset "(defaults)" brings them back).
// Sets no "threads": MLT would then slice each frame and caption every slice.
import QtQuick 2.12
import QtQuick.Controls 2.12
import QtQuick.Layouts 1.12
import Shotcut.Controls 1.0 as Shotcut

Item {
    id: root

    // Every property the panel sets, for the presets.
    readonly property var properties: ['resource', 'utc_offset', 'clock_difference', 'start', 'x', 'y', 'font',
        'font_size', 'text_color', 'border_color', 'josm_sync', 'josm_zoom']

    // A fraction of the frame ("0.01") as the percentage the panel shows.
    function percentOf(name) {
        var value = parseFloat(filter.get(name));
        return isNaN(value) ? 0 : value * 100;
    }

    function setControls() {
        gpxField.text = filter.get('resource');
        utcOffsetField.text = filter.get('utc_offset');
        clockDifferenceField.text = filter.get('clock_difference');
        startCombo.editText = filter.get('start');
        xSpinner.value = percentOf('x');
        ySpinner.value = percentOf('y');
        fontField.text = filter.get('font');
        var size = parseInt(filter.get('font_size'));
        fontSizeSpinner.value = isNaN(size) ? 0 : size;
        textColor.value = filter.get('text_color');
        borderColor.value = filter.get('border_color');
        josmSyncCheck.checked = filter.get('josm_sync') === '1';
        josmZoomSpinner.value = parseInt(filter.get('josm_zoom')) || 0;
    }

    width: 400
    height: 400
    Component.onCompleted: {
        if (filter.isNew)
            filter.savePreset(properties);
        setControls();
    }

    // Qt 6's dialogs take no version and Qt 5's need one, so no import can
    // serve both Shotcuts: the dialog is made on first use, in Qt 6's form or
    // else Qt 5's (a form Qt refuses throws, and says nothing in the log).
    property var gpxDialog: null

    function openGpxDialog() {
        if (!gpxDialog) {
            var body = 'FileDialog { title: qsTr("Open a GPX track"); '
                + 'nameFilters: [qsTr("GPX tracks (*.gpx *.GPX)"), qsTr("All files (*)")] }';
            try {
                gpxDialog = Qt.createQmlObject('import QtQuick.Dialogs\n' + body, root);
            } catch (qt5) {
                gpxDialog = Qt.createQmlObject('import QtQuick.Dialogs 1.2\n' + body, root);
            }
            gpxDialog.modality = application.dialogModality;
            gpxDialog.accepted.connect(function () {
                // Qt 6 names the choice selectedFile, Qt 5 fileUrl.
                var url = gpxDialog.selectedFile !== undefined ? gpxDialog.selectedFile : gpxDialog.fileUrl;
                var path = decodeURIComponent(url.toString().replace(/^file:\/\//, ''));
                gpxField.text = path;
                filter.set('resource', path);
            });
        }
        gpxDialog.open();
    }

    GridLayout {
        columns: 2
        anchors.fill: parent
        anchors.margins: 8

        Label {
            text: qsTr('Preset')
            Layout.alignment: Qt.AlignRight
        }

        Shotcut.Preset {
            parameters: root.properties
            onPresetSelected: setControls()
        }

        Label {
            text: qsTr('GPX file')
            Layout.alignment: Qt.AlignRight
        }

        RowLayout {
            TextField {
                id: gpxField

                Layout.fillWidth: true
                placeholderText: qsTr('the track recorded while filming')
                selectByMouse: true
                onEditingFinished: filter.set('resource', text)
            }

            Shotcut.Button {
                text: qsTr('Open...')
                onClicked: openGpxDialog()
            }
        }

        Label {
            text: qsTr('UTC offset')
            Layout.alignment: Qt.AlignRight
        }

        TextField {
            id: utcOffsetField

            Layout.fillWidth: true
            placeholderText: '+02:00'
            selectByMouse: true
            onEditingFinished: filter.set('utc_offset', text)

            Shotcut.HoverTip {
                text: qsTr("The local clock's offset from UTC, for the date and time shown: +02:00, -03:30, +9, 0 or Z; at most 18 hours")
            }
        }

        Label {
            text: qsTr('Clock difference')
            Layout.alignment: Qt.AlignRight
        }

        TextField {
            id: clockDifferenceField

            Layout.fillWidth: true
            placeholderText: '-00:00:05'
            selectByMouse: true
            onEditingFinished: filter.set('clock_difference', text)

            Shotcut.HoverTip {
                text: qsTr("Added to every frame's time, for a camera clock off the GPS clock: -00:00:05, +1:30:00, -2:05 (minutes and seconds), +12 (seconds)")
            }
        }

        Label {
            text: qsTr('Start')
            Layout.alignment: Qt.AlignRight
        }

        ComboBox {
            id: startCombo

            Layout.fillWidth: true
            editable: true
            model: ['clip', 'track']
            onActivated: filter.set('start', currentText)
            onAccepted: filter.set('start', editText)

            Shotcut.HoverTip {
                text: qsTr("What the frames' times in their source count from: clip (the creation time that the clip's file records, such as the creation_time tag of MP4 and MOV; a clip without one counts from the track, and the log says so), track (the first track point's time), or a UTC time such as 2023-06-17T07:30:00Z at which the source's first frame was shot")
            }
        }

        Label {
            text: qsTr('Position')
            Layout.alignment: Qt.AlignRight
        }

        RowLayout {
            Label {
                text: qsTr('left')
            }

            Shotcut.DoubleSpinBox {
                id: xSpinner

                Layout.minimumWidth: 90
                from: 0
                to: 100
                decimals: 1
                stepSize: 0.5
                suffix: ' %'
                onValueModified: filter.set('x', (value / 100).toFixed(4))

                Shotcut.HoverTip {
                    text: qsTr("The caption's left edge, a fraction of the frame's width")
                }
            }

            Label {
                text: qsTr('top')
            }

            Shotcut.DoubleSpinBox {
                id: ySpinner

                Layout.minimumWidth: 90
                from: 0
                to: 100
                decimals: 1
                stepSize: 0.5
                suffix: ' %'
                onValueModified: filter.set('y', (value / 100).toFixed(4))

                Shotcut.HoverTip {
                    text: qsTr("The caption's top edge, a fraction of the frame's height")
                }
            }
        }

        Label {
            text: qsTr('Font')
            Layout.alignment: Qt.AlignRight
        }

        RowLayout {
            TextField {
                id: fontField

                Layout.fillWidth: true
                selectByMouse: true
                onEditingFinished: filter.set('font', text)

                Shotcut.HoverTip {
                    text: qsTr("A fontconfig family or pattern (Noto Sans:bold), or a font file's path; one not found is replaced by the default, with a line saying so")
                }
            }

            SpinBox {
                id: fontSizeSpinner

                Layout.minimumWidth: 120
                from: 0
                to: 1024
                editable: true
                textFromValue: function(value) {
                    return value === 0 ? qsTr('auto') : value + ' px';
                }
                valueFromText: function(text) {
                    var size = parseInt(text);
                    return isNaN(size) ? 0 : size;
                }
                // Empty: a thirtieth of the frame's height.
                onValueModified: filter.set('font_size', value === 0 ? '' : String(value))

                Shotcut.HoverTip {
                    text: qsTr("Pixels of the frame, 1 to 1024 (a preview at a lower resolution scales it); empty: a thirtieth of the frame's height (24 px at 720p, 36 at 1080p; at least 12)")
                }
            }
        }

        Label {
            text: qsTr('Colors')
            Layout.alignment: Qt.AlignRight
        }

        RowLayout {
            Label {
                text: qsTr('text')
            }

            Shotcut.ColorPicker {
                id: textColor

                onValueChanged: filter.set('text_color', value)
            }

            Label {
                text: qsTr('border')
            }

            Shotcut.ColorPicker {
                id: borderColor

                onValueChanged: filter.set('border_color', value)
            }
        }

        Label {
            text: qsTr('JOSM')
            Layout.alignment: Qt.AlignRight
        }

        RowLayout {
            CheckBox {
                id: josmSyncCheck

                text: qsTr('Map follows the video')
                onClicked: filter.set('josm_sync', checked ? '1' : '0')
            }

            Label {
                text: qsTr('zoom')
            }

            SpinBox {
                id: josmZoomSpinner

                from: -10
                to: 10
                editable: true
                onValueModified: filter.set('josm_zoom', String(value))

                Shotcut.HoverTip {
                    text: qsTr("The size of JOSM's view, a whole number from -10 to 10: higher is closer")
                }
            }
        }

        Item {
            width: 1
        }

        Shotcut.Button {
            text: qsTr('Add node in JOSM')
            // Each change of josm_add adds one node where the camera was at
            // the frame shown.
            onClicked: filter.set('josm_add', String((parseInt(filter.get('josm_add')) || 0) + 1))

            Shotcut.HoverTip {
                text: qsTr('Adds a node in JOSM where the camera was at the frame shown')
            }
        }

        Item {
            Layout.fillHeight: true
        }
    }
}
