// Writes an LZH archive with jLHA's encoders, for the test fixtures and the
// benchmark: java -cp /usr/share/java/jlha.jar:<dir> LzhFixture OUT METHOD LEVEL NAME=FILE...
// METHOD is a five-byte id such as -lh5-; LEVEL is 0, 1 or 2. NAME is the
// stored path ('/' or '\' between folders); FILE the file that gives the
// bytes. A NAME ending with '/' with no FILE stores a folder (-lhd-). In a
// NAME, {NUL} stands for a zero byte (an Amiga name: the name, a NUL, the
// comment). An argument --os=C gives the members after it the OS id C
// (levels 1 and 2; jLHA's own is 'J').
import java.io.BufferedOutputStream;
import java.io.FileOutputStream;
import java.io.OutputStream;
import java.nio.file.Files;
import java.nio.file.Paths;
import java.util.Date;
import java.util.Properties;

import jp.gr.java_conf.dangan.util.lha.LhaHeader;
import jp.gr.java_conf.dangan.util.lha.LhaOutputStream;
import jp.gr.java_conf.dangan.util.lha.LhaProperty;

public class LzhFixture {
  public static void main(String[] args) throws Exception {
    if (args.length < 4) {
      System.err.println("usage: LzhFixture OUT METHOD LEVEL NAME=FILE...");
      System.exit(2);
    }
    String method = args[1];
    int level = Integer.parseInt(args[2]);
    // A fixed time, so that the fixtures come out the same on every run.
    Date when = new Date(1136214245000L);  // 2006-01-02 15:04:05 UTC
    // Names are stored in CP932, as the product's archives have them.
    Properties props = LhaProperty.getProperties();
    props.setProperty("lha.encoding", "MS932");
    try (OutputStream file = new BufferedOutputStream(new FileOutputStream(args[0]));
         LhaOutputStream out = new LhaOutputStream(file, props)) {
      byte os = 0;
      for (int i = 3; i < args.length; ++i) {
        if (args[i].startsWith("--os=")) {
          os = (byte) args[i].charAt(5);
          continue;
        }
        int eq = args[i].indexOf('=');
        String name = (eq < 0 ? args[i] : args[i].substring(0, eq)).replace("{NUL}", "\0");
        LhaHeader h = new LhaHeader(name, when);
        h.setHeaderLevel(level);
        if (os != 0) h.setOSID(os);
        if (eq < 0) {
          h.setCompressMethod("-lhd-");
          out.putNextEntry(h);
          out.closeEntry();
          continue;
        }
        byte[] data = Files.readAllBytes(Paths.get(args[i].substring(eq + 1)));
        h.setCompressMethod(method);
        out.putNextEntry(h);
        out.write(data);
        out.closeEntry();
      }
    }
  }
}
