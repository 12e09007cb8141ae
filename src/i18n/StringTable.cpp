// SPDX-License-Identifier: GPL-3.0-or-later
#include "StringTable.h"

#include <QHash>

#include <algorithm>

namespace kordavel {

namespace {

struct Entry {
    int offset;
    const char *english;
    const char *bulgarian;
    const char *spanish;
};

// Every text of the user interface, by offset, in English, Bulgarian and Spanish (UTF-8).
const Entry kEntries[] = {
    {0, "Kordavel", "Kordavel", "Kordavel"},
    {1, "Ready", "Готов", "Listo"},
    {2, "Receiving", "Приемане", "Recibir"},
    {3, "Sending", "Изпращане", "Enviar"},
    {4, "Change in CTS detected", "Промяна в CTS", "Cambio en CTS"},
    {5, "Change in DSR detected", "Промяна в DSR", "Cambio en DSR"},
    {6, "Change in CD detected", "Промяна в CD", "Cambio en CD"},
    {7, "The phone is ringing", "Телефонът звъни", "Timbra el telefono"},
    {8, "End of file detected", "Край на файла", "Fin del arcivo"},
    {9, "Invalid property value", "Грешна стойност на свойство",
     "Equivocada dimenson de la propiedad"},
    {10, "Property is read only", "Свойството е само за четене", "Solo lectura"},
    {11, "Break received", "Прието е прекъсване", "Recibida interrupcion"},
    {12, "Carrier detect timeout", "Прекъсване на носещата", "Interrupcion del portante"},
    {13, "CTS timeout", "CTS - изтичане на времето", "CTS - se termino el tiempo"},
    {14, "Error retrieving DCB", "Грешка при възстановяване на контролния блок на устройството",
     "Error en recuperacion del bloque de control del dispositivo"},
    {15, "DSR timeout", "DSR - изтичане на времето", "DSR - se termino el tiempo"},
    {16, "Framing error", "Грешка при оформяне", "Error en arreglo"},
    {17, "Overrun error", "Грешка от прехвърляне", "Error en intercambio"},
    {18, "Receive buffer overflow", "Приемащият буфер е пръпълнен", "El bufer receptor esta lleno"},
    {19, "Parity error", "Грешка по четност", "Error en pares"},
    {20, "Transmit buffer full", "Предаващият буфедр е препълнен", "El bufer emisor esta lleno"},
    {21, "Unknown error or event", "Непозната грешка или събитие", "Error disconosido"},
    {22, "Operation not valid while the port is opened",
     "Операцията не е валидна докато порта е отворен",
     "La operacion no esta valida si el puerto esta abierto"},
    {23, "Timeout value must be greater than zero",
     "Стойността на изтеклото време трябва да е по-голяма от нула",
     "La dimension del tiempo recorrido tiene que ser mayor que zero"},
    {24, "Invalid port number", "Невалиден номер на порт", "Invalido numero de puerto"},
    {25, "Property available only at run time", "Свойството е достъпно само по време на работа",
     "La propiedad esta disponible solamente durante el trabajo"},
    {26, "Property is read only at run time", "По време на работа свойството е само за четене",
     "Durante el trabajo la propiedad esta solamente para lectura"},
    {27, "Port already open", "Портът вече е отворен", "El puerto ya esta abierto"},
    {28, "The device indentifier is invalid or unsupported",
     "Индентификаторът на устройството е невалиден или не се поддържа",
     "El identificador del dispositivo es invalido o no se mantenga"},
    {29, "The device's baud rate is unsupported", "Честотата на предаване не се поддържа",
     "La frecuencia del envio no se mantenga"},
    {30, "The specified byte size is invalid", "Посочената големина на байт е невалидна",
     "Invalido volumen del bait"},
    {31, "The default parameters are in error", "В посочените параметри има грешка",
     "Error en los parametros mencionados"},
    {32, "The hardware is not available (locked by another device)",
     "Хардуерът не е достъпен (защитен е от друго устроство)",
     "El hardwar no esta disponible ( esta protegido por otro dispositivo )"},
    {33, "The function cannot allocate the queues", "Функцията не може да определи опашката",
     "La funcion no puede determinar la cola"},
    {34, "The device is not open", "Устройството не е отворено", "El dispositivo no esta abierto"},
    {35, "The device is already open", "Устройството вече е отворено",
     "El dispositivo ya esta abierto"},
    {36, "Could not enable comm notification",
     "Не може да се разреши известяване на comm устройството",
     "No se puede permitir anuncio del comm dispositivo"},
    {37, "Could not set comm state", "Не може да се постави състоянеие на comm устройството",
     "No se puede determinar el estado del comm dispositivo"},
    {38, "Could not set comm event mask",
     "Не може да се постави събитийна маска на comm устройството",
     "No se puede determinar la mascara de sucedido del comm dispositivo"},
    {39, "Operation valid only when the port is open", "Операцията е валидна само при отворен порт",
     "Esta operacion esta valida solo con puerto abierto"},
    {40, "Device busy", "Устройството е заето", "El dispositivo esta ocupado"},
    {41, "Error reading comm device", "Грешка при четене на comm устройството",
     "Error en leer de comm dispositivo"},
    {42, "Internal error retrieving device control block for the port",
     "Вътрешна грешка възстановяваща контролния блок на устройството за този порт",
     "Error interno recuperando el bloque de control para este puerto"},
    {101, "File", "Файл", "Archivo"},
    {102, "New", "Нов", "Nuevo"},
    {103, "Open", "Отвори", "Abrir"},
    {104, "Close", "Затвори", "Serar"},
    {105, "Save", "Запиши", "Guardar"},
    {106, "Save As", "Запиши с ново име", "Guardar como"},
    {107, "Print", "Печат", "Imprimir"},
    {108, "Exit", "Край", "Salir"},
    {109, "Edit", "Редакция", "Redactar"},
    {110, "Undo", "Възстановяване", "Recuperar"},
    {111, "Cut", "Изрязване", "Cortar"},
    {112, "Copy", "Копиране", "Copiar"},
    {113, "Paste", "Разполагане", "Pegar"},
    {114, "Select All", "Избери всичко", "Selecciona todo"},
    {115, "Find", "Намери", "Encuentra"},
    {116, "Find Next", "Намери следващ", "Encuentra el siguiente"},
    {117, "Replace", "Замени", "Cambiar"},
    {118, "Format", "Оформяне", "Arreglo"},
    {119, "Font", "Шрифт", "Fuente"},
    {120, "Bold", "Удебелен", "Bold"},
    {121, "Italic", "Наклонен", "Italic"},
    {122, "Underline", "Подчертан", "Subrallado"},
    {123, "Program", "Програма", "Programa"},
    {124, "Clean", "Почистване", "Limpiar"},
    {125, "Numbering", "Номериране", "Numeracion"},
    {126, "Communication", "Комуникация", "Comunicacion"},
    {127, "Send", "Изпращане", "Enviar"},
    {128, "Receive", "Получаване", "Recibir"},
    {129, "Remote", "Дистанционна", "A distancia"},
    {130, "Window", "Прозорец", "Ventana"},
    {131, "Cascade", "Каскадно", "Cascado"},
    {132, "Tile Horizontal", "Хоризантално", "Horizontal"},
    {133, "Tile Vertical", "Вертикално", "Vertical"},
    {134, "Change Language", "Смяна на езика", "Cambio de idioma"},
    {135, "English", "Английски", "Ingles"},
    {136, "Bulgarian", "Български", "Bulgaro"},
    {137, "Spanish", "Испански", "Espanol"},
    {138, "Help", "Помощ", "Ayuda"},
    {139, "Contents", "Съдържание", "Contenido"},
    {140, "Index", "Индекс", "Index"},
    {141, "Search", "Търсене", "Busqueda"},
    {142, "About", "Относно", "Asunto"},
    {143, "Tools", "Настройки", "Ajustes"},
    {144, "Options", "Опции", "Opciones"},
    {201, "OK", "Съгласен", "De acuerdo"},
    {202, "Cancel", "Отказ", "Rechazo"},
    {203, "Yes", "Да", "Si"},
    {204, "No", "Не", "No"},
    {205, "Clean", "Почистване", "Limpiesa"},
    {206, "Clean", "Почистване на", "Limpiesa de"},
    {207, "Unusable Symbols", "Непотребни символи", "Simbolos inutiles"},
    {208, "Numbering", "Номериране", "Numeracion"},
    {209, "==> Symbol", "==> Символ", "==> Simbolo "},
    {210, "Empty Rows", "Празни редове", "Renglones vasios"},
    {211, "Clean", "Почистване", "Limpiesa"},
    {212, "Program", "Програма", "Programa"},
    {213, "Mashine:", "Машина:", "Maquina :"},
    {214, "Port:", "Порт:", "Puerto :"},
    {215, "BaudRate:", "Предаване:", "Envio"},
    {216, "Data Bits:", "Бита за данни:", "Bits de datos"},
    {217, "Stop Bits:", "Стоп битове:", "Stop bits"},
    {218, "Parity", "Четност", "Par"},
    {219, "XOn/XOff", "XOn/XOff", "Xon/Xoff"},
    {220, "Wait for XOn", "Чакай за XOn", "Espera para Xon"},
    {221, "RTS/CTS", "RTS/CTS", "RTS/CTS"},
    {222, "DSR/DTR", "DSR/DTR", "DSR/DTR"},
    {223, "Find", "Търси", "Buscar"},
    {224, "Find:", "Търси:", "Buscar :"},
    {225, "Replace:", "Замени:", "Cambiar :"},
    {226, "Find Next", "Намери следващ", "Encuentra el siguiente"},
    {227, "Cancel", "Отказ", "Rechazo"},
    {228, "Replace", "Замени", "Cambiar"},
    {229, "Replace All", "Замени всички", "Cambiar todos"},
    {232, "Save file?", "Запис на файла?", "? Gauardar el arcivo ?"},
    {233, "Numbering", "Номериране", "Numeracion"},
    {234, "Start", "Старт", "Start"},
    {235, "Step", "Стъпка", "Paso"},
    {236, "About", "Относно", "Asunto"},
    {237, "Version:", "Версия", "Version"},
    {248, "Default", "Подразбиране", "Sobrentender"},
    {249, "Save data?", "Запис на данните?", "? Grabar los datos ?"},
    {250, "Options", "Опции", "Opciones"},
    {251, "Communication", "Комуникация", "Comunicacion"},
    {259, "Empty rows", "Празни редове", "Renglones vasios"},
    {260, "Symbol", "Символ", "Simbolo"},
    {301, "New", "Нов", "Nuevo"},
    {302, "Open", "Отваряне", "Abrir"},
    {303, "Save", "Записване", "Guardar"},
    {304, "Print", "Печатане", "Imprimir"},
    {305, "Find", "Търсене", "Busqueda"},
    {306, "Cut", "Изрязване", "Cortar"},
    {307, "Copy", "Копиране", "Copiar"},
    {308, "Paste", "Разполагане", "Pegar"},
    {309, "Undo", "Възстановяване", "Recuperar"},
    {310, "Bold", "Удебеляване", "Bold"},
    {311, "Italic", "Наклоняване", "Italic"},
    {312, "Underline", "Подчертаване", "Subrallar"},
    {313, "Send", "Изпращане", "Enviar"},
    {314, "Receive", "Получаване", "Recibir"},
    {315, "Mashine", "Машина", "Maquina"},
    {316, "Port", "Порт", "Puerto"},
    {317, "BaudRate", "Честота", "Frecuencia"},
    {318, "Data Bits", "Битове за данни", "Bits de datos"},
    {319, "Stop Bits", "Стоп битове", "Stop bits"},
    {320, "Parity", "Четност", "Par"},
    {321, "Mashine", "Машина", "Maquina"},
    {322, "Port", "Порт", "Puerto"},
    {323, "BaudRate", "Честота", "Frecuencia"},
    {324, "Data Bits", "Битове за данни", "Bits de datos"},
    {325, "Stop Bits", "Стоп битове", "Stop bits"},
    {326, "Parity", "Четност", "Par"},
    {327, "XOn/XOff", "XOn/XOff", "Xon/Xoff"},
    {328, "Wait for XOn", "Чакане за XOn", "Espera para Xon"},
    {329, "RTS/CTS", "RTS/CTS", "RTS/CTS"},
    {330, "DSR/DTR", "DSR/DTR", "DSR/DTR"},
    {331, "What to find", "Израз за търсене", "Que buscamos"},
    {332, "What to replace", "Израз за замяна", "Que cambiamos"},
    {333, "Start", "Старт", "Start"},
    {334, "Step", "Стоп", "Stop"},
    {335, "Default", "По подразбиране", "Sobrentender"},
    {336, "Default values", "Стойности по подразбиране", "Dimenciones sobrentendidas"},
    {340, "Empty rows", "Празни редове", "Renglones vasios"},
    {341, "Symbol", "Символ", "Simbolo"},
    {401, " is in use", " вече е стартиран", " ya esta en uso"},
    {402, "Error writing comm device", "Грешка при запис в comm устройството",
     "Error en escribir al comm dispositivo"},
    {403, "The comm device is no longer there", "Comm устройството вече го няма",
     "El comm dispositivo ya no esta"},
    {404, "Kordavel Help", "Помощ за Kordavel", "Ayuda de Kordavel"},
    {405, "Back", "Назад", "Atras"},
    {406, "Forward", "Напред", "Adelante"},
    {407, "Find:", "Търсене:", "Buscar:"},
    {410, "End of receive:", "Край на приемането:", "Fin de recibir :"},
    {411, "When a receive ends by itself", "Кога приемането спира само",
     "Cuando recibir termina solo"},
    {412, "When a receive ends by itself", "Кога приемането спира само",
     "Cuando recibir termina solo"},
    {413, "By hand", "Ръчно", "A mano"},
    {414, "At the closing %", "При затварящия %", "En el % final"},
    {415, "After 5 s quiet", "След 5 s тишина", "Tras 5 s de silencio"},
    {416, "Pace:", "Темп:", "Ritmo:"},
    {417, "How fast a send hands the program to the line", "Колко бързо се подава програмата",
     "Con que rapidez se envia el programa"},
    {418, "How fast a send hands the program to the line", "Колко бързо се подава програмата",
     "Con que rapidez se envia el programa"},
    {419, "0.4 s per line", "0.4 s на ред", "0.4 s por linea"},
    {420, "Line speed", "Скорост на линията", "Velocidad de linea"},
    {430, "Send File...", "Изпращане на файл...", "Enviar archivo..."},
    {431, "Send a file from disk", "Изпращане на файл от диска", "Enviar un archivo del disco"},
    {432, "Send File", "Изпращане на файл", "Enviar archivo"},
    {433, "The file cannot be read.", "Файлът не може да бъде прочетен.",
     "No se puede leer el archivo."},
    {434, "The file could not be read to its end.", "Файлът не беше прочетен до края.",
     "No se pudo leer el archivo hasta el final."},
    {445, "Opening", "Отваряне", "Abriendo"},
    {446, "Saving", "Записване", "Guardando"},
    {450, "The file is no longer there. It leaves the list of recent files.",
     "Файлът вече го няма. Премахва се от списъка на последните файлове.",
     "El archivo ya no esta. Sale de la lista de archivos recientes."},
    {451, "G-code Colours", "Цветове на G-кода", "Colores del codigo G"},
    {452, "Line Numbers", "Номера на редовете", "Numeros de linea"},
    {470, "Preview", "Преглед на траекторията", "Vista previa"},
    {471, "Preview", "Преглед на траекторията", "Vista previa"},
    {472, "Preview", "Траектория", "Trayectoria"},
    {473, "View:", "Изглед:", "Vista:"},
    {474, "Isometric", "Изометрия", "Isometrica"},
    {475, "Lathe", "Струг", "Torno"},
    {476, "Fit", "Вмести", "Ajustar"},
    {477, "Not understood:", "Неразбрано:", "No entendido:"},
    {478, "line", "ред", "linea"},
    {479, "more", "още", "mas"},
    {480, "No moves", "Няма движения", "Sin movimientos"},
    {500, "The file does not exist.", "Файлът не съществува.", "El archivo no existe."},
    {501, "This is a folder, not a file.", "Това е папка, а не файл.",
     "Es una carpeta, no un archivo."},
    {502,
     "This is not a file on the disk but a pipe, a device or a socket: it could hold the "
     "program up or never end, so it is neither opened nor sent.",
     "Това не е файл от диска, а канал, устройство или сокет: може да задържи програмата или "
     "да няма край, затова не се отваря и не се изпраща.",
     "No es un archivo del disco sino una tuberia, un dispositivo o un socket: podria detener "
     "el programa o no terminar nunca, por eso no se abre ni se envia."},
    {503,
     "The file is too large for the editor on this computer, which opens programs of up to "
     "%1 MB or %2 lines. Communication > Send File sends it to the machine straight from the "
     "disk.",
     "Файлът е твърде голям за редактора на този компютър, който отваря програми до %1 MB "
     "или %2 реда. Комуникация > Изпращане на файл го изпраща към машината направо от диска.",
     "El archivo es demasiado grande para el editor en esta computadora, que abre programas "
     "de hasta %1 MB o %2 lineas. Comunicacion > Enviar archivo lo envia a la maquina "
     "directamente del disco."},
    {504, "There is not enough memory to read the file.",
     "Няма достатъчно памет за прочитане на файла.",
     "No hay memoria suficiente para leer el archivo."},
    {505,
     "The file became shorter while it was being sent, so the send was stopped. The machine "
     "did not get the whole program.",
     "Файлът стана по-къс, докато се изпращаше, затова изпращането беше спряно. Машината не "
     "получи цялата програма.",
     "El archivo se hizo mas corto mientras se enviaba, por eso se detuvo el envio. La maquina "
     "no recibio todo el programa."},
    {506,
     "The file was replaced while it was being sent, so the send was stopped. Check what the "
     "machine got before running it.",
     "Файлът беше заменен, докато се изпращаше, затова изпращането беше спряно. Проверете "
     "какво получи машината, преди да я пуснете.",
     "El archivo fue reemplazado mientras se enviaba, por eso se detuvo el envio. Compruebe lo "
     "que recibio la maquina antes de ejecutarlo."},
    {507,
     "The file was deleted while it was being sent, so the send was stopped. Check what the "
     "machine got before running it.",
     "Файлът беше изтрит, докато се изпращаше, затова изпращането беше спряно. Проверете "
     "какво получи машината, преди да я пуснете.",
     "El archivo fue borrado mientras se enviaba, por eso se detuvo el envio. Compruebe lo que "
     "recibio la maquina antes de ejecutarlo."},
    {508,
     "The file grew while it was being sent. What it held when the send began was sent: %1 "
     "bytes; what was added was not.",
     "Файлът нарасна, докато се изпращаше. Изпратено беше това, което съдържаше в началото: "
     "%1 байта; добавеното не беше изпратено.",
     "El archivo crecio mientras se enviaba. Se envio lo que tenia al empezar: %1 bytes; lo "
     "agregado no se envio."},
    {509,
     "The file is too large for this computer: a rich-text program (.dnc) is read whole "
     "before it is sent, and this one would take more memory than the editor may have.",
     "Файлът е твърде голям за този компютър: програма във форматиран текст (.dnc) се "
     "прочита цяла, преди да се изпрати, а тази би заела повече памет, отколкото е позволено "
     "на редактора.",
     "El archivo es demasiado grande para esta computadora: un programa de texto con formato "
     "(.dnc) se lee entero antes de enviarse, y este ocuparia mas memoria de la que puede "
     "tener el editor."},
    {510, "The file could not be saved.", "Файлът не можа да бъде записан.",
     "No se pudo guardar el archivo."},
    {511, "The file is read-only.", "Файлът е само за четене.", "El archivo es de solo lectura."},
    {520, "Step 0 would give every block the same number.",
     "Стъпка 0 би дала на всички блокове един и същ номер.",
     "Con paso 0 todos los bloques tendrian el mismo numero."},
    {521,
     "With this start and step the block numbers would leave the range %1 to %2 before the "
     "last block.",
     "С това начало и тази стъпка номерата на блоковете биха излезли от обхвата от %1 до %2 "
     "преди последния блок.",
     "Con este inicio y este paso los numeros de bloque saldrian del rango de %1 a %2 antes del "
     "ultimo bloque."},
    {522, "References to no block, left as they were: lines %1",
     "Препратки към несъществуващ блок, оставени както бяха: редове %1",
     "Referencias a ningun bloque, dejadas como estaban: lineas %1"},
    {523, "References to a number several blocks have, left as they were: lines %1",
     "Препратки към номер на няколко блока, оставени както бяха: редове %1",
     "Referencias a un numero de varios bloques, dejadas como estaban: lineas %1"},
    {524, "Block numbers kept because other blocks refer to them: %1",
     "Запазени номера на блокове, към които препращат други блокове: %1",
     "Numeros de bloque conservados porque otros bloques los nombran: %1"},
    {525, "and %1 more", "и още %1", "y %1 mas"},
    {526, "References renumbered with their blocks: %1",
     "Препратки, преномерирани заедно с блоковете си: %1",
     "Referencias renumeradas con sus bloques: %1"},
    {515,
     "The receive stopped: the program has reached %1 lines or %2 characters, the most a program "
     "window takes. What the machine sent after that is not in the program.",
     "Приемането спря: програмата достигна %1 реда или %2 знака, най-многото, което побира "
     "прозорецът на програма. Изпратеното от машината след това не е в програмата.",
     "La recepcion se detuvo: el programa llego a %1 lineas o %2 caracteres, lo maximo que admite "
     "una ventana de programa. Lo que la maquina envio despues no esta en el programa."},
    {530, "Redo", "Повтаряне", "Rehacer"},
    {531, "Redo", "Повтаряне", "Rehacer"},
    {532, "Numbering", "Номериране", "Numerando"},
    {533, "Cleaning", "Почистване", "Limpiando"},
    {550, "Go To", "Отиване", "Ir a"},
    {551, "Line number, or block number as N1200:", "Номер на ред или на блок, като N1200:",
     "Numero de linea, o de bloque como N1200:"},
    {552, "There is no such line or block.", "Няма такъв ред или блок.",
     "No hay tal linea o bloque."},
    {553, "Ln %1, Col %2 (%3 lines)", "Ред %1, кол. %2 (%3 реда)", "Lin %1, Col %2 (%3 lineas)"},
    {554, "Not found: %1", "Не е намерено: %1", "No se encontro: %1"},
    {555, "Replaced: %1", "Заменени: %1", "Cambiados: %1"},
};

const QHash<int, QString> &table()
{
    static const QHash<int, QString> entries = [] {
        QHash<int, QString> out;
        for (const Entry &e : kEntries) {
            out.insert(11000 + e.offset, QString::fromUtf8(e.english));
            out.insert(12000 + e.offset, QString::fromUtf8(e.bulgarian));
            out.insert(13000 + e.offset, QString::fromUtf8(e.spanish));
        }
        return out;
    }();
    return entries;
}

} // namespace

std::optional<QString> loadString(int identifier)
{
    const auto &entries = table();
    const auto it = entries.constFind(identifier);
    if (it == entries.constEnd())
        return std::nullopt;
    return it.value();
}

QList<int> stringIdentifiers()
{
    QList<int> ids = table().keys();
    std::sort(ids.begin(), ids.end());
    return ids;
}

} // namespace kordavel
